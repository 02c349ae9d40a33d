// Server bytes (names, reply texts) to and from widget text: UTF-8 when they
// are valid UTF-8, Windows-1252 otherwise.
#pragma once

#include <QString>
#include <string>
#include <string_view>

namespace publish {

QString FtpBytesToQString(std::string_view bytes);

}  // namespace publish
