// The two secrets of the publishing server's protocol: the log-in response
// to a challenge and the encrypted argument of a password change. Both are
// written as letters "A" to "P", two per byte (low half first).
#pragma once

#include <string>
#include <string_view>

namespace publish {

std::string LettersOf(std::string_view bytes);

// MD5 of the challenge followed by the password (cut to 255 characters).
std::string LoginResponse(std::string_view challenge, std::string_view password);

// DES-ECB of the new password padded with carriage returns to 16 bytes, under
// the first 8 bytes of MD5(old password) with zero bytes made 1. Single DES
// lives in OpenSSL's legacy provider, loaded here into a library context of
// our own (the process's default context stays untouched). False with a
// message when the provider cannot be loaded or encryption fails.
bool PasswordChangeArgument(std::string_view oldPassword, std::string_view newPassword, std::string& out,
                            std::string& error);

}  // namespace publish
