#include "net/http_header.h"

#include "platform/ascii.h"
#include "text/reg_manager.h"

namespace corvane {

std::string ContentTypeOf(const std::string& headers) {
    CRegManager reg;
    if (reg.Search(headers, "content-type:([^\\r\\n]*)", "i") < 1) return {};
    std::string type = reg.GetGroup(1);
    const std::size_t first = type.find_first_not_of(" \t");
    return first == std::string::npos ? std::string() : ToLowerAscii(type.substr(first));
}

}  // namespace corvane
