// zumr-cli: the command-line companion of the window program. It scans a
// manga, downloads it, and shows what a database file holds, driving the same
// workers with the same settings.cfg as the window (beside the program, or in the
// user's config folder when the program is installed).

#include <CLI/CLI.hpp>

#include <cstdlib>
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

#include "app/startup.h"
#include "cli/commands.h"
#include "cli/interrupt.h"
#include "cli/update_command.h"
#include "model/file_io.h"
#include "model/text_codec.h"
#include "settings/app_settings.h"
#include "zumr_version.h"

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

constexpr const char* kSeeHelp = "Запустите с --help, чтобы увидеть справку.\n";

// The help in the window's language; option names stay as they are.
void RussianHelp(CLI::App& app)
{
    app.option_defaults()->group("Параметры");
    app.set_help_flag("-h,--help", "показать эту справку и выйти");
    const auto formatter = app.get_formatter();
    for (const auto& [label, text] :
         {std::pair{"Usage", "Запуск"}, {"OPTIONS", "ПАРАМЕТРЫ"}, {"SUBCOMMAND", "КОМАНДА"},
          {"SUBCOMMANDS", "КОМАНДЫ"}, {"Positionals", "Аргументы"}, {"REQUIRED", "ОБЯЗАТЕЛЬНО"},
          {"TEXT", "ТЕКСТ"}})
        formatter->label(label, text);
}

// CLI11's messages are English; the kinds of mistake a user makes are named
// here again, with the names of options and arguments as CLI11 found them.
std::string RussianError(const CLI::ParseError& error)
{
    const std::string message = error.what();
    const std::string name = error.get_name();
    const size_t colon = message.find(": ");
    const std::string listed = colon == std::string::npos ? message : message.substr(colon + 2);
    if (name == "RequiredError") {
        if (message.rfind("A subcommand", 0) == 0)
            return "нужна команда: scan, download, info или update";
        const size_t is = message.find(" is required");
        if (is != std::string::npos)
            return "не указан обязательный аргумент " + message.substr(0, is);
    }
    if (message.find("not expected: ") != std::string::npos)
        return "лишние аргументы: " + listed;
    if (name == "ArgumentMismatch" && colon != std::string::npos && message.find(" missing") != std::string::npos)
        return "не указано значение " + message.substr(0, colon);
    if (name == "ConversionError" || name == "ValidationError")
        return "неверное значение (" + message + ")";
    return "ошибка в аргументах (" + message + ")";
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

    CLI::App app{"zumr-cli: просмотр и скачивание манги с поддерживаемых сайтов."};
    RussianHelp(app);
    app.require_subcommand(1);
    app.set_version_flag("--version", "zumr-cli " ZUMR_VERSION);

    ScanArgs scan;
    CLI::App* scanCommand = app.add_subcommand("scan", "прочитать титульную страницу и списки страниц всех глав, "
                                                       "вывести их и сохранить файл базы");
    scanCommand->add_option("ADDRESS", scan.address, "адрес титульной страницы манги")->required();
    scanCommand->add_option("--db", scan.db, "файл базы для записи (по умолчанию <папка>/<название>.zdb)");

    // Settings for this run only: settings.cfg is never written here.
    std::optional<int32_t> connections;
    std::optional<int32_t> retries;
    std::optional<std::string> proxy;
    bool cbz = false;
    const auto addTransferOptions = [&](CLI::App* command) {
        command->add_option("--connections", connections, "передач одновременно (по умолчанию Connections)")
            ->check(CLI::Range(kMinConnections, kMaxConnections));
        command->add_option("--retries", retries,
                            "повторов передачи после временного сбоя (по умолчанию Retries)")
            ->check(CLI::Range(0, kMaxRetries));
        command->add_option("--proxy", proxy,
                            "прокси для всех передач: http://, https:// или socks5h://узел:порт "
                            "(по умолчанию Proxy; пусто: обычные переменные окружения)");
    };
    addTransferOptions(scanCommand);

    DownloadArgs download;
    CLI::App* downloadCommand =
        app.add_subcommand("download", "прочитать мангу (или загрузить файл базы) и скачать выбранные главы");
    downloadCommand->add_option("SOURCE", download.source, "адрес титульной страницы или файл базы .zdb")->required();
    downloadCommand->add_option("--chapters", download.chapters,
                                "номера в списке, как их выводит scan, можно диапазоны: 1-5,8 (по умолчанию все)");
    downloadCommand->add_flag("--no-covers", download.noCovers, "не скачивать обложки");
    downloadCommand->add_option("--out", download.out, "папка, в которой создать папку манги (по умолчанию DefSavePath)");
    downloadCommand->add_flag("--cbz", cbz, "упаковать каждую полную главу в .cbz рядом с её папкой (по умолчанию bMakeCbz)");
    addTransferOptions(downloadCommand);

    InfoArgs info;
    CLI::App* infoCommand = app.add_subcommand("info", "показать содержимое файла базы");
    infoCommand->add_option("FILE", info.file, "файл базы .zdb")->required();
    infoCommand->add_flag("--json", info.json, "вывести один объект JSON");
    infoCommand->add_flag("--pages", info.pages, "перечислить и адреса всех страниц");
    for (CLI::App* command : {scanCommand, downloadCommand, infoCommand}) {
        command->group("Команды");
        RussianHelp(*command);
    }

    UpdateArgs update;
    CLI::App* updateCommand = app.add_subcommand(
        "update", "для каждой манги (файла .zdb) в папках: прочитать её страницу заново, скачать новые главы "
                  "и недостающие страницы, обновить .zdb");
    updateCommand->add_option("FOLDER", update.folders, "папки библиотеки, с подпапками (по умолчанию DefSavePath)");
    updateCommand->add_flag("--dry-run", update.dryRun, "только показать новые главы: ничего не скачивать и не записывать");

    // CLI11 would only say that a subcommand is required.
    const std::string first = argc > 1 ? argv[1] : "";
    if (!first.empty() && first[0] != '-' && first != "scan" && first != "download" && first != "info" &&
        first != "update") {
        std::cerr << "zumr-cli: неизвестная команда \"" << argv[1] << "\"; команды: scan, download, info и update\n"
                  << kSeeHelp;
        return kExitBadInput;
    }
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        if (error.get_exit_code() == 0)
            return app.exit(error) == 0 ? kExitOk : kExitBadInput;  // --help
        std::cerr << "zumr-cli: " << RussianError(error) << "\n" << kSeeHelp;
        return kExitBadInput;
    }

    const std::filesystem::path folder = ProgramFolder(argv[0]);
    const char16_t separator = static_cast<char16_t>(std::filesystem::path::preferred_separator);
    const std::u16string folderText = Utf16FromPath(folder) + separator;
#ifdef _WIN32
    const app::StartupPaths paths = app::Startup_Paths(folderText);
#else
    // Installed, the companion reads the window's settings and downloads into
    // the user's folder, as the window does; it never writes settings.cfg.
    const app::StartupPaths paths =
        app::Startup_ChoosePaths(folderText, app::ProgramFolderIsInstalled(folderText),
                                 app::UserFolders_FromEnvironment([](const char* name) -> const char* {
                                     return std::getenv(name);
                                 }));
#endif
    app::Startup_LoadSettings(paths);
    // Settings for this run only: settings.cfg is never written here.
    Settings_Update([&](AppSettings& settings) {
        if (connections)
            settings.Connections = *connections;
        if (retries)
            settings.Retries = *retries;
        if (proxy)
            settings.Proxy = Utf8ToUtf16(*proxy).substr(0, 511);
        if (cbz)
            settings.bMakeCbz = 1;
    });

    Interrupt_Install();
    CliEnv env{std::cout, std::cerr, IsTerminal()};
    if (*scanCommand)
        return Command_Scan(scan, env);
    if (*downloadCommand)
        return Command_Download(download, env);
    if (*updateCommand)
        return Command_Update(update, env);
    return Command_Info(info, env);
}
