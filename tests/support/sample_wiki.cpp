#include "support/sample_wiki.h"

#include "support/http_auth.h"

namespace corvane::test {

void ServeSampleWiki(const SampleWiki& wiki, LoopbackServer& server, InFlightProbe* probe,
                     const std::string& user, const std::string& password) {
    server.Get(".*",
               [&wiki, probe, user, password](const httplib::Request& req, httplib::Response& res) {
                   if (!user.empty() && !BasicAuthorizationValid(req, user, password)) {
                       res.status = 401;
                       res.set_header("WWW-Authenticate", BasicChallenge("wiki"));
                       return;
                   }
                   if (probe) probe->Enter();
                   const SampleWiki::Answer answer = wiki.Lookup(req.target);
                   res.status = answer.nStatus;
                   res.set_content(answer.strBody, answer.strType);
                   if (probe) probe->Leave();
               });
}

void ServeSampleWikiFailing(const SampleWiki& wiki, LoopbackServer& server,
                            std::function<int(const std::string& target)> failedStatus) {
    server.Get(".*", [&wiki, failedStatus](const httplib::Request& req, httplib::Response& res) {
        SampleWiki::Answer answer = wiki.Lookup(req.target);
        if (const int status = failedStatus(req.target)) answer.nStatus = status;
        res.status = answer.nStatus;
        res.set_content(answer.strBody, answer.strType);
    });
}

}  // namespace corvane::test
