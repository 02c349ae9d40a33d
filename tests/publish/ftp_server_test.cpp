// The FTP runner against a real server (pyftpdlib) on loopback.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>

#include "platform/testing/FixedEnv.h"
#include "platform/testing/ScriptedUi.h"
#include "publish/KyFtpComm.h"
#include "tests/publish/FtpTestServers.h"

using namespace publish;
namespace fs = std::filesystem;

namespace {

std::string RandomBytes(size_t n, unsigned seed) {
    std::mt19937 gen(seed);
    std::string s(n, '\0');
    for (size_t i = 0; i < n; i += 4) {
        std::uint32_t v = gen();
        std::memcpy(&s[i], &v, std::min<size_t>(4, n - i));
    }
    return s;
}

void WriteFile(const fs::path& p, const std::string& bytes) {
    std::ofstream(p, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string ReadFile(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::error_code ec;
    std::string s(static_cast<size_t>(fs::file_size(p, ec)), '\0');
    if (ec) return {};
    in.read(s.data(), static_cast<std::streamsize>(s.size()));
    return s;
}

std::vector<std::string> FolderNames(const fs::path& dir) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

class FtpServerTest : public ::testing::Test {
protected:
    void Start(std::vector<std::string> extra = {}) {
        fs::create_directory(home);
        server = std::make_unique<ftptest::TPyFtpd>(home, "autore", "s3gret0", std::move(extra));
        comm.Ftp().HostName = "127.0.0.1";
        comm.Ftp().Port = static_cast<std::uint16_t>(server->port());
        comm.Ftp().UserName = "autore";
        comm.Ftp().Password = "s3gret0";
        comm.Ftp().TimeoutMs = 3000;
    }
    std::vector<T_Filedata> Entries() {
        std::vector<T_Filedata> out;
        T_Filedata e;
        while (comm.NextEntry(e)) out.push_back(e);
        return out;
    }

    platform::testing::TempDir temp;
    fs::path home = temp / "home";
    platform::testing::ScriptedUiScope ui;
    std::unique_ptr<ftptest::TPyFtpd> server;
    TKyFtpComm comm;
};

TEST_F(FtpServerTest, LogInRefused) {
    Start();
    comm.Ftp().Password = "wrong";
    EXPECT_EQ(comm.Connect(), kFtpFailed);
    EXPECT_EQ(comm.ErrorCode(), 530);
    EXPECT_FALSE(comm.ErrorText().empty());
    EXPECT_FALSE(comm.Connected());
    EXPECT_EQ(comm.Ftp().ControlSocket(), -1);
    // Operations log in by themselves, and fail the same way.
    EXPECT_EQ(comm.List("."), kFtpFailed);
    EXPECT_EQ(comm.ErrorCode(), 530);
}

TEST_F(FtpServerTest, FoldersListingAndTransfersRoundTrip) {
    Start();
    const std::string big = RandomBytes(5 << 20, 7);
    WriteFile(temp / "big.bin", big);
    WriteFile(home / "page one.htm", "<html></html>");

    ASSERT_EQ(comm.Connect(), kFtpOk) << comm.ErrorText();
    EXPECT_EQ(comm.CurrentFolder(), "/");
    EXPECT_EQ(comm.MakeFolder("www"), kFtpOk);
    // An existing folder is a refusal from the server, not the end of the
    // session.
    EXPECT_EQ(comm.MakeFolder("www"), kFtpFailed);
    EXPECT_EQ(comm.ErrorCode(), 550);
    EXPECT_TRUE(comm.Connected());

    EXPECT_EQ(comm.Upload(temp / "big.bin", "www/big.bin"), kFtpOk) << comm.ErrorText();
    EXPECT_EQ(comm.Bytes(), static_cast<long long>(big.size()));
    EXPECT_EQ(comm.ExpectedSize(), static_cast<long long>(big.size()));
    EXPECT_EQ(ReadFile(home / "www/big.bin"), big);

    ASSERT_EQ(comm.List("."), kFtpOk);
    auto entries = Entries();
    ASSERT_EQ(entries.size(), 2u);
    std::sort(entries.begin(), entries.end(), [](auto& a, auto& b) { return a.name < b.name; });
    EXPECT_EQ(entries[0].name, "page one.htm");
    EXPECT_EQ(entries[0].kind, kFtpFile);
    EXPECT_EQ(entries[0].size, 13);
    EXPECT_EQ(entries[1].name, "www");
    EXPECT_EQ(entries[1].kind, kFtpDirectory);

    ASSERT_EQ(comm.ChangeFolder("/www/"), kFtpOk);
    EXPECT_EQ(comm.CurrentFolder(), "/www/");
    ASSERT_EQ(comm.List("."), kFtpOk);
    entries = Entries();
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].size, static_cast<long long>(big.size()));

    // Downloads replace an existing file, byte for byte.
    WriteFile(temp / "copy.bin", "old content");
    EXPECT_EQ(comm.Download("big.bin", temp / "copy.bin"), kFtpOk) << comm.ErrorText();
    EXPECT_TRUE(ReadFile(temp / "copy.bin") == big);

    EXPECT_EQ(comm.Rename("big.bin", "renamed.bin"), kFtpOk);
    EXPECT_TRUE(fs::exists(home / "www/renamed.bin"));
    EXPECT_EQ(comm.Rename("missing.bin", "x.bin"), kFtpFailed);
    EXPECT_EQ(comm.ChangeFolder("/"), kFtpOk);
    EXPECT_EQ(comm.RemoveFolder("www"), kFtpFailed);  // not empty
    EXPECT_EQ(comm.DeleteFile("www/renamed.bin"), kFtpOk);
    EXPECT_EQ(comm.RemoveFolder("www"), kFtpOk);
    EXPECT_FALSE(fs::exists(home / "www"));
    EXPECT_EQ(comm.Disconnect(), kFtpOk);
    EXPECT_FALSE(comm.Connected());
}

TEST_F(FtpServerTest, FailedDownloadLeavesTheTargetAlone) {
    Start();
    WriteFile(temp / "keep.htm", "precious");
    EXPECT_EQ(comm.Download("no-such-file.htm", temp / "keep.htm"), kFtpFailed);
    EXPECT_EQ(comm.ErrorCode(), 550);
    EXPECT_EQ(ReadFile(temp / "keep.htm"), "precious");
    EXPECT_EQ(FolderNames(temp.path()), (std::vector<std::string>{"home", "keep.htm"}));
}

TEST_F(FtpServerTest, ActiveModeTransfers) {
    Start();
    comm.Ftp().Passive = false;
    WriteFile(temp / "a.htm", "active");
    EXPECT_EQ(comm.Upload(temp / "a.htm", "a.htm"), kFtpOk) << comm.ErrorText();
    EXPECT_EQ(ReadFile(home / "a.htm"), "active");
    ASSERT_EQ(comm.List(""), kFtpOk) << comm.ErrorText();
    EXPECT_EQ(Entries().size(), 1u);
}

TEST(FtpFullDisk, RefusedUploadIsReportedAndTheSessionGoesOn) {
    platform::testing::TempDir temp;
    fs::create_directory(temp / "home");
    ftptest::TPyFtpd server(temp / "home", "autore", "pw", {"--full-disk"});
    platform::testing::ScriptedUiScope ui;
    TKyFtpComm comm;
    comm.Ftp().HostName = "127.0.0.1";
    comm.Ftp().Port = static_cast<std::uint16_t>(server.port());
    comm.Ftp().UserName = "autore";
    comm.Ftp().Password = "pw";
    comm.Ftp().TimeoutMs = 3000;
    WriteFile(temp / "page.htm", RandomBytes(100000, 3));
    EXPECT_EQ(comm.Upload(temp / "page.htm", "page.htm"), kFtpFailed);
    EXPECT_EQ(comm.ErrorCode(), 452);
    EXPECT_NE(comm.ErrorText().find("storage"), std::string::npos) << comm.ErrorText();
    EXPECT_TRUE(comm.Connected());
    EXPECT_EQ(comm.Ftp().DataSocket(), -1);
    EXPECT_EQ(comm.List("."), kFtpOk);
    EXPECT_FALSE(fs::exists(temp / "home/page.htm"));
}

// Presses "Stop" once the transfer has moved some bytes.
class StopAfterBytes : public platform::testing::ScriptedUi {
public:
    TKyFtpComm* comm = nullptr;
    long long after = 0;
    void ProcessEvents(int rounds) override {
        ScriptedUi::ProcessEvents(rounds);
        if (comm && comm->Bytes() > after) comm->Stop();
    }
};

TEST(FtpThrottled, StopInTheMiddleOfTransfers) {
    platform::testing::TempDir temp;
    fs::create_directory(temp / "home");
    const std::string big = RandomBytes(5 << 20, 11);
    WriteFile(temp / "home/big.bin", big);
    WriteFile(temp / "up.bin", big);
    WriteFile(temp / "target.bin", "old");
    ftptest::TPyFtpd server(temp / "home", "autore", "pw", {"--throttle", "262144"});
    StopAfterBytes ui;
    platform::ScopedUi scope(ui);
    TKyFtpComm comm;
    comm.Ftp().HostName = "127.0.0.1";
    comm.Ftp().Port = static_cast<std::uint16_t>(server.port());
    comm.Ftp().UserName = "autore";
    comm.Ftp().Password = "pw";
    comm.Ftp().TimeoutMs = 3000;
    ui.comm = &comm;
    ui.after = 100000;

    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(comm.Download("big.bin", temp / "target.bin"), kFtpStopped);
    EXPECT_LT(comm.Bytes(), static_cast<long long>(big.size()));
    EXPECT_EQ(ReadFile(temp / "target.bin"), "old");
    EXPECT_EQ(FolderNames(temp.path()), (std::vector<std::string>{"home", "target.bin", "up.bin"}));
    EXPECT_EQ(comm.Ftp().ControlSocket(), -1);
    EXPECT_EQ(comm.Ftp().DataSocket(), -1);

    EXPECT_EQ(comm.Upload(temp / "up.bin", "up.bin"), kFtpStopped);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));

    // Ready for the next command: a new session.
    ui.comm = nullptr;
    ASSERT_EQ(comm.List("."), kFtpOk) << comm.ErrorText();
    EXPECT_EQ(comm.CurrentFolder(), "/");
}

}  // namespace
