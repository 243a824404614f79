// zumr-cli: the command-line companion of the window program. It scans a
// manga, downloads it, and shows what a database file holds, driving the same
// workers with the same settings.cfg (the one beside the program).

#include <CLI/CLI.hpp>

#include <filesystem>
#include <iostream>
#include <optional>
#include <string>
#include <system_error>
#include <vector>
#ifdef _WIN32
#include <windows.h>
#include <io.h>
#include <shellapi.h>
#else
#include <unistd.h>
#endif

#include "cli/commands.h"
#include "cli/interrupt.h"
#include "model/text_codec.h"
#include "settings/app_settings.h"
#include "settings/settings_file.h"

namespace {

// The program's own folder, where settings.cfg lives and downloads go by default.
std::filesystem::path ProgramFolder(const char* argv0)
{
    std::error_code error;
#ifdef _WIN32
    std::wstring self(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, self.data(), static_cast<DWORD>(self.size()));
        if (length < self.size()) {
            self.resize(length);
            break;
        }
        self.resize(self.size() * 2);
    }
    if (!self.empty())
        return std::filesystem::path(self).parent_path();
    return std::filesystem::absolute(argv0, error).parent_path();
#else
    std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error || self.empty())
        self = std::filesystem::absolute(argv0, error);
    return self.parent_path();
#endif
}

bool IsTerminal()
{
    const char* term = std::getenv("TERM");
#ifdef _WIN32
    return _isatty(_fileno(stdout)) != 0 && !(term && std::string(term) == "dumb");
#else
    return isatty(STDOUT_FILENO) == 1 && !(term && std::string(term) == "dumb");
#endif
}

// The arguments as UTF-8, which the commands take them to be. On Windows the
// 8-bit argv is in the system code page and loses Cyrillic file names, so the
// wide command line is converted instead, and the console is told to show UTF-8.
std::vector<std::string> Utf8Arguments(int argc, char** argv)
{
#ifdef _WIN32
    SetConsoleOutputCP(CP_UTF8);
    int count = 0;
    if (LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count)) {
        std::vector<std::string> arguments;
        for (int i = 0; i < count; ++i)
            arguments.push_back(Utf16ToUtf8(std::u16string(reinterpret_cast<const char16_t*>(wide[i]))));
        LocalFree(wide);
        return arguments;
    }
#endif
    return std::vector<std::string>(argv, argv + argc);
}

}  // namespace

int main(int argc, char** rawArgv)
{
    std::vector<std::string> arguments = Utf8Arguments(argc, rawArgv);
    std::vector<char*> argvList;
    for (std::string& argument : arguments)
        argvList.push_back(argument.data());
    argc = static_cast<int>(argvList.size());
    argvList.push_back(nullptr);
    char** argv = argvList.data();

    CLI::App app{"zumr-cli: scan and download manga from the supported sites."};
    app.require_subcommand(1);

    ScanArgs scan;
    CLI::App* scanCommand = app.add_subcommand("scan", "read the title page and every chapter's page list, "
                                                       "print them and save the database file");
    scanCommand->add_option("ADDRESS", scan.address, "address of the manga's title page")->required();
    scanCommand->add_option("--db", scan.db, "database file to write (default: <folder>/<name>.zdb)");

    // Settings for this run only: settings.cfg is never written here.
    std::optional<int32_t> connections;
    std::optional<int32_t> retries;
    std::optional<std::string> proxy;
    bool cbz = false;
    const auto addTransferOptions = [&](CLI::App* command) {
        command->add_option("--connections", connections, "transfers at once (default: Connections)")
            ->check(CLI::Range(kMinConnections, kMaxConnections));
        command->add_option("--retries", retries,
                            "further tries of a transfer that failed for a passing reason (default: Retries)")
            ->check(CLI::Range(0, kMaxRetries));
        command->add_option("--proxy", proxy,
                            "proxy for every transfer: http://, https:// or socks5h://host:port "
                            "(default: Proxy; empty: the usual proxy variables)");
    };
    addTransferOptions(scanCommand);

    DownloadArgs download;
    CLI::App* downloadCommand =
        app.add_subcommand("download", "scan (or load a database file) and download the chosen chapters");
    downloadCommand->add_option("SOURCE", download.source, "title page address, or a .zdb database file")->required();
    downloadCommand->add_option("--chapters", download.chapters,
                                "list positions as scan prints them, ranges allowed: 1-5,8 (default: all)");
    downloadCommand->add_flag("--no-covers", download.noCovers, "do not download the covers");
    downloadCommand->add_option("--out", download.out, "folder to put the manga's folder in (default: DefSavePath)");
    downloadCommand->add_flag("--cbz", cbz, "pack each complete chapter into a .cbz beside its folder (default: bMakeCbz)");
    addTransferOptions(downloadCommand);

    InfoArgs info;
    CLI::App* infoCommand = app.add_subcommand("info", "show what a database file holds");
    infoCommand->add_option("FILE", info.file, "a .zdb database file")->required();
    infoCommand->add_flag("--json", info.json, "print one JSON object");
    infoCommand->add_flag("--pages", info.pages, "list every page's address too");

    // CLI11 would only say that a subcommand is required.
    const std::string first = argc > 1 ? argv[1] : "";
    if (!first.empty() && first[0] != '-' && first != "scan" && first != "download" && first != "info") {
        std::cerr << "zumr-cli: unknown command \"" << argv[1] << "\"; the commands are scan, download and info\n"
                  << "Run with --help for more information.\n";
        return kExitBadInput;
    }
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        const int code = app.exit(error);
        return code == 0 ? kExitOk : kExitBadInput;
    }

    const std::filesystem::path folder = ProgramFolder(argv[0]);
#ifdef _WIN32
    const std::u16string folderText = folder.u16string();
#else
    const std::u16string folderText = Utf8ToUtf16(folder.string());  // any bytes, never a throw
#endif
    AppSettings settings = AppSettings_Defaults(folderText);
    Cfg_Load(folderText + static_cast<char16_t>(std::filesystem::path::preferred_separator) + u"settings.cfg", settings);
    if (connections)
        settings.Connections = *connections;
    if (retries)
        settings.Retries = *retries;
    if (proxy)
        settings.Proxy = Utf8ToUtf16(*proxy).substr(0, 511);
    if (cbz)
        settings.bMakeCbz = 1;
    Settings_Set(settings);

    Interrupt_Install();
    CliEnv env{std::cout, std::cerr, IsTerminal()};
    if (*scanCommand)
        return Command_Scan(scan, env);
    if (*downloadCommand)
        return Command_Download(download, env);
    return Command_Info(info, env);
}
