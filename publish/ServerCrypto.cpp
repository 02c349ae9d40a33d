#include "publish/ServerCrypto.h"

#include <openssl/evp.h>
#include <openssl/provider.h>

#include <cstdlib>
#include <memory>
#include <mutex>

namespace publish {

namespace {

bool Md5(std::string_view text, unsigned char digest[16]) {
    unsigned int n = 0;
    return EVP_Digest(text.data(), text.size(), digest, &n, EVP_md5(), nullptr) == 1 && n == 16;
}

// A library context with the legacy and default providers, made once.
struct TLegacyContext {
    OSSL_LIB_CTX* ctx = nullptr;
    OSSL_PROVIDER* legacy = nullptr;
    OSSL_PROVIDER* base = nullptr;
    std::string error;

    TLegacyContext() {
        ctx = OSSL_LIB_CTX_new();
        if (!ctx) {
            error = "Impossibile preparare la cifratura (OpenSSL)";
            return;
        }
        legacy = OSSL_PROVIDER_load(ctx, "legacy");
        base = OSSL_PROVIDER_load(ctx, "default");
        if (!legacy)
            error = "Il provider \"legacy\" di OpenSSL non \xE8 disponibile: serve per cifrare la password (DES)";
    }
    ~TLegacyContext() {
        if (legacy) OSSL_PROVIDER_unload(legacy);
        if (base) OSSL_PROVIDER_unload(base);
        if (ctx) OSSL_LIB_CTX_free(ctx);
    }
};

TLegacyContext& Legacy() {
    static TLegacyContext context;
    return context;
}

}  // namespace

std::string LettersOf(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size() * 2);
    for (unsigned char b : bytes) {
        out.push_back(static_cast<char>('A' + (b & 0x0F)));
        out.push_back(static_cast<char>('A' + (b >> 4)));
    }
    return out;
}

std::string LoginResponse(std::string_view challenge, std::string_view password) {
    std::string text(challenge);
    text.append(password);
    if (text.size() > 255) text.resize(255);
    unsigned char d[16];
    if (!Md5(text, d)) return "";
    return LettersOf(std::string_view(reinterpret_cast<const char*>(d), 16));
}

bool PasswordChangeArgument(std::string_view oldPassword, std::string_view newPassword, std::string& out,
                            std::string& error) {
    out.clear();
    TLegacyContext& lc = Legacy();
    if (!lc.legacy) {
        error = lc.error;
        return false;
    }
    unsigned char d[16];
    if (!Md5(oldPassword, d)) {
        error = "Errore di cifratura (MD5)";
        return false;
    }
    unsigned char key[8];
    for (int i = 0; i < 8; ++i) key[i] = d[i] == 0 ? 1 : d[i];
    std::string plain(newPassword);
    plain.append(19, '\r');
    plain.resize(16);

    std::unique_ptr<EVP_CIPHER, decltype(&EVP_CIPHER_free)> cipher(EVP_CIPHER_fetch(lc.ctx, "DES-ECB", nullptr),
                                                                    &EVP_CIPHER_free);
    std::unique_ptr<EVP_CIPHER_CTX, decltype(&EVP_CIPHER_CTX_free)> c(EVP_CIPHER_CTX_new(), &EVP_CIPHER_CTX_free);
    unsigned char enc[32];
    int n1 = 0, n2 = 0;
    if (!cipher || !c || EVP_EncryptInit_ex2(c.get(), cipher.get(), key, nullptr, nullptr) != 1 ||
        EVP_CIPHER_CTX_set_padding(c.get(), 0) != 1 ||
        EVP_EncryptUpdate(c.get(), enc, &n1, reinterpret_cast<const unsigned char*>(plain.data()), 16) != 1 ||
        EVP_EncryptFinal_ex(c.get(), enc + n1, &n2) != 1 || n1 + n2 != 16) {
        error = cipher ? "Errore di cifratura (DES)" : lc.error.empty() ? "DES-ECB non disponibile in OpenSSL" : lc.error;
        return false;
    }
    out = LettersOf(std::string_view(reinterpret_cast<const char*>(enc), 16));
    return true;
}

}  // namespace publish
