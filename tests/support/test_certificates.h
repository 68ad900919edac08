// Certificates made at test time for HTTPS servers on 127.0.0.1: a throw-away CA and
// server certificates it issues, as PEM texts ready for a server or a client's CA file.
#pragma once

#include <filesystem>
#include <memory>
#include <string>

namespace corvane::test {

struct ServerCertificate {
    std::string certPem;
    std::string keyPem;
};

class TestCa {
public:
    explicit TestCa(const std::string& commonName = "Corvane Test CA");
    ~TestCa();
    TestCa(const TestCa&) = delete;
    TestCa& operator=(const TestCa&) = delete;

    // A certificate for `hostName` (subject and subjectAltName DNS entry) signed by this
    // CA, valid from yesterday for a year, or, when `expired`, only two days last month.
    ServerCertificate Issue(const std::string& hostName, bool expired = false) const;
    // The same with its dates chosen: valid now, two days last month, or from next month on.
    enum class Validity { kCurrent, kExpired, kNotYetValid };
    ServerCertificate Issue(const std::string& hostName, Validity validity) const;

    std::string CertPem() const;
    // Writes the CA certificate as a PEM file (for a client's CA setting).
    void WriteCertFile(const std::filesystem::path& path) const;

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

}  // namespace corvane::test
