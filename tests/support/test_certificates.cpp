#include "support/test_certificates.h"

#include <openssl/bio.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <atomic>
#include <fstream>
#include <stdexcept>

namespace corvane::test {
namespace {

void Check(bool ok, const char* what) {
    if (!ok) throw std::runtime_error(std::string("test certificate: ") + what);
}

struct KeyDeleter {
    void operator()(EVP_PKEY* p) const { EVP_PKEY_free(p); }
};
struct CertDeleter {
    void operator()(X509* p) const { X509_free(p); }
};
using KeyPtr = std::unique_ptr<EVP_PKEY, KeyDeleter>;
using CertPtr = std::unique_ptr<X509, CertDeleter>;

// EC keys: quick to make, which keeps every HTTPS test fast.
KeyPtr NewKey() {
    KeyPtr key(EVP_EC_gen("P-256"));
    Check(key != nullptr, "key generation");
    return key;
}

void AddExtension(X509* cert, X509* issuer, int nid, const std::string& value) {
    X509V3_CTX ctx;
    X509V3_set_ctx_nodb(&ctx);
    X509V3_set_ctx(&ctx, issuer, cert, nullptr, nullptr, 0);
    X509_EXTENSION* ext = X509V3_EXT_conf_nid(nullptr, &ctx, nid, value.c_str());
    Check(ext != nullptr, "extension");
    X509_add_ext(cert, ext, -1);
    X509_EXTENSION_free(ext);
}

CertPtr NewCert(const std::string& commonName, EVP_PKEY* subjectKey, X509* issuer,
                EVP_PKEY* issuerKey, long notBeforeSecs, long notAfterSecs) {
    static std::atomic<long> serial{1000};
    CertPtr cert(X509_new());
    Check(cert != nullptr, "new certificate");
    X509_set_version(cert.get(), 2);
    ASN1_INTEGER_set(X509_get_serialNumber(cert.get()), serial++);
    X509_gmtime_adj(X509_getm_notBefore(cert.get()), notBeforeSecs);
    X509_gmtime_adj(X509_getm_notAfter(cert.get()), notAfterSecs);
    X509_set_pubkey(cert.get(), subjectKey);
    X509_NAME* name = X509_get_subject_name(cert.get());
    X509_NAME_add_entry_by_txt(name, "O", MBSTRING_ASC,
                               reinterpret_cast<const unsigned char*>("Corvane tests"), -1, -1, 0);
    X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC,
                               reinterpret_cast<const unsigned char*>(commonName.c_str()), -1, -1,
                               0);
    X509_set_issuer_name(cert.get(), issuer ? X509_get_subject_name(issuer) : name);
    X509* signer = issuer ? issuer : cert.get();
    if (issuer == nullptr) {
        AddExtension(cert.get(), signer, NID_basic_constraints, "critical,CA:TRUE");
        AddExtension(cert.get(), signer, NID_key_usage, "critical,keyCertSign,cRLSign");
        AddExtension(cert.get(), signer, NID_subject_key_identifier, "hash");
    } else {
        AddExtension(cert.get(), signer, NID_basic_constraints, "critical,CA:FALSE");
        AddExtension(cert.get(), signer, NID_ext_key_usage, "serverAuth");
        AddExtension(cert.get(), signer, NID_subject_alt_name, "DNS:" + commonName);
        AddExtension(cert.get(), signer, NID_authority_key_identifier, "keyid:always");
    }
    Check(X509_sign(cert.get(), issuerKey, EVP_sha256()) > 0, "signing");
    return cert;
}

template <class Writer>
std::string ToPem(Writer write) {
    BIO* bio = BIO_new(BIO_s_mem());
    Check(bio != nullptr && write(bio), "PEM output");
    char* data = nullptr;
    const long size = BIO_get_mem_data(bio, &data);
    std::string pem(data, static_cast<std::size_t>(size));
    BIO_free(bio);
    return pem;
}

}  // namespace

struct TestCa::Impl {
    KeyPtr key;
    CertPtr cert;
};

TestCa::TestCa(const std::string& commonName) : m_impl(std::make_unique<Impl>()) {
    m_impl->key = NewKey();
    m_impl->cert =
        NewCert(commonName, m_impl->key.get(), nullptr, m_impl->key.get(), -86400L, 365L * 86400L);
}

TestCa::~TestCa() = default;

ServerCertificate TestCa::Issue(const std::string& hostName, bool expired) const {
    return Issue(hostName, expired ? Validity::kExpired : Validity::kCurrent);
}

ServerCertificate TestCa::Issue(const std::string& hostName, Validity validity) const {
    KeyPtr key = NewKey();
    long notBefore = -86400L, notAfter = 365L * 86400L;
    if (validity == Validity::kExpired) {
        notBefore = -40L * 86400L;
        notAfter = -38L * 86400L;
    } else if (validity == Validity::kNotYetValid) {
        notBefore = 30L * 86400L;
        notAfter = 400L * 86400L;
    }
    CertPtr cert =
        NewCert(hostName, key.get(), m_impl->cert.get(), m_impl->key.get(), notBefore, notAfter);
    ServerCertificate out;
    out.certPem = ToPem([&](BIO* bio) { return PEM_write_bio_X509(bio, cert.get()) == 1; });
    out.keyPem = ToPem([&](BIO* bio) {
        return PEM_write_bio_PrivateKey(bio, key.get(), nullptr, nullptr, 0, nullptr, nullptr) == 1;
    });
    return out;
}

std::string TestCa::CertPem() const {
    return ToPem([&](BIO* bio) { return PEM_write_bio_X509(bio, m_impl->cert.get()) == 1; });
}

void TestCa::WriteCertFile(const std::filesystem::path& path) const {
    std::ofstream out(path, std::ios::binary);
    out << CertPem();
    Check(static_cast<bool>(out), "writing the CA file");
}

}  // namespace corvane::test
