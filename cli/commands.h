#pragma once
// The three commands of zumr-cli. Each returns the process exit status.

#include <optional>
#include <ostream>
#include <string>

// Exit statuses.
inline constexpr int kExitOk = 0;           // everything done
inline constexpr int kExitSomeFailed = 1;   // some items failed
inline constexpr int kExitBadInput = 2;     // bad usage or unreadable input
inline constexpr int kExitInterrupted = 130;

struct CliEnv {
    std::ostream& out;
    std::ostream& err;
    bool terminal = false;  // live progress lines on `out`
};

struct ScanArgs {
    std::string address;
    std::optional<std::string> db;
};

struct DownloadArgs {
    std::string source;  // an address, or a .zdb file
    std::optional<std::string> chapters;
    bool noCovers = false;
    std::optional<std::string> out;
};

struct InfoArgs {
    std::string file;
    bool json = false;
    bool pages = false;
};

int Command_Scan(const ScanArgs& args, CliEnv& env);
int Command_Download(const DownloadArgs& args, CliEnv& env);
int Command_Info(const InfoArgs& args, CliEnv& env);

// An address has a scheme ("http://..."); anything else names a database file.
bool LooksLikeAddress(const std::string& source);
