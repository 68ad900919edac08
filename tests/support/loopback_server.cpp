#include "support/loopback_server.h"

#include <openssl/bio.h>
#include <openssl/pem.h>

#include <chrono>
#include <set>
#include <stdexcept>

namespace corvane::test {
namespace {

std::unique_ptr<httplib::Server> MakeSslServer(const ServerCertificate& cert) {
    BIO* certBio = BIO_new_mem_buf(cert.certPem.data(), static_cast<int>(cert.certPem.size()));
    BIO* keyBio = BIO_new_mem_buf(cert.keyPem.data(), static_cast<int>(cert.keyPem.size()));
    X509* x509 = PEM_read_bio_X509(certBio, nullptr, nullptr, nullptr);
    EVP_PKEY* key = PEM_read_bio_PrivateKey(keyBio, nullptr, nullptr, nullptr);
    BIO_free(certBio);
    BIO_free(keyBio);
    if (x509 == nullptr || key == nullptr) {
        X509_free(x509);
        EVP_PKEY_free(key);
        throw std::runtime_error("loopback server: unreadable certificate or key");
    }
    // The SSL context takes its own references.
    auto server = std::make_unique<httplib::SSLServer>(x509, key);
    X509_free(x509);
    EVP_PKEY_free(key);
    if (!server->is_valid()) throw std::runtime_error("loopback server: bad TLS setup");
    return server;
}

}  // namespace

std::string LoopbackServer::Record::Header(const std::string& name) const {
    auto it = headers.find(name);  // httplib's header map ignores case
    return it == headers.end() ? std::string() : it->second;
}

LoopbackServer::LoopbackServer() : m_server(std::make_unique<httplib::Server>()) { Init(); }

LoopbackServer::LoopbackServer(const ServerCertificate& cert)
    : m_server(MakeSslServer(cert)), m_bHttps(true) {
    Init();
}

void LoopbackServer::Init() {
    // Short keep-alive and read waits so that Stop never waits long for idle connections.
    m_server->set_keep_alive_timeout(1);
    m_server->set_read_timeout(2, 0);
    m_server->set_write_timeout(2, 0);
    // Clients keep their connections: without this, a response written in two pieces
    // waits for the client's delayed acknowledgement every time.
    m_server->set_tcp_nodelay(true);
    m_server->set_pre_routing_handler([this](const httplib::Request& req, httplib::Response&) {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_requests.push_back(Record{req.method, req.target, req.headers, req.remote_port,
                                    std::chrono::steady_clock::now()});
        return httplib::Server::HandlerResponse::Unhandled;
    });
}

LoopbackServer::~LoopbackServer() { Stop(); }

LoopbackServer& LoopbackServer::Get(const std::string& pattern, httplib::Server::Handler handler) {
    m_server->Get(pattern, std::move(handler));
    return *this;
}

void LoopbackServer::Start() {
    if (!TryStart("127.0.0.1")) throw std::runtime_error("loopback server: cannot bind 127.0.0.1");
}

bool LoopbackServer::TryStart(const std::string& address) {
    m_nPort = m_server->bind_to_any_port(address);
    if (m_nPort <= 0) return false;
    m_strUrlHost = address.find(':') != std::string::npos ? "[" + address + "]" : address;
    // The socket already listens: connections queue until the thread accepts them.
    m_thread = std::thread([this] {
        m_server->listen_after_bind();
        m_bListenEnded = true;
    });
    return true;
}

void LoopbackServer::Stop() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_bStopping = true;
    }
    m_stopping.notify_all();
    if (m_thread.joinable()) {
        // listen_after_bind may not have marked itself running yet; stop until it ends.
        while (!m_server->is_running() && !m_bListenEnded) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        m_server->stop();
        m_thread.join();
    }
}

std::string LoopbackServer::Url(const std::string& pathAndQuery, const std::string& host) const {
    return std::string(m_bHttps ? "https://" : "http://") + (host.empty() ? m_strUrlHost : host) +
           ":" + std::to_string(m_nPort) + pathAndQuery;
}

bool LoopbackServer::Sleep(int milliseconds) {
    std::unique_lock<std::mutex> lock(m_mutex);
    return !m_stopping.wait_for(lock, std::chrono::milliseconds(milliseconds),
                                [this] { return m_bStopping; });
}

bool LoopbackServer::IsStopping() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_bStopping;
}

std::vector<LoopbackServer::Record> LoopbackServer::Requests() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_requests;
}

std::size_t LoopbackServer::RequestCount() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_requests.size();
}

std::size_t LoopbackServer::ConnectionCount() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    std::set<int> ports;
    for (const Record& record : m_requests) ports.insert(record.remotePort);
    return ports.size();
}

void LoopbackServer::ClearRequests() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_requests.clear();
}

}  // namespace corvane::test
