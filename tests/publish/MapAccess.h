// Publishing configurations kept in a map instead of the options file.
#pragma once

#include <map>
#include <string>

#include "publish/FtpConfig.h"

namespace ftptest {

class TMapAccess : public publish::TConfigAccess {
public:
    std::map<std::string, std::string> values;  // "section|name" -> value
    std::string Read(const std::string& s, const std::string& n) const override {
        auto it = values.find(s + "|" + n);
        return it == values.end() ? "" : it->second;
    }
    bool Write(const std::string& s, const std::string& n, const std::string& v) override {
        values[s + "|" + n] = v;
        return true;
    }
    bool Erase(const std::string& s, const std::string& n) override { return values.erase(s + "|" + n) > 0; }
};

}  // namespace ftptest
