// zumr: the window program on Linux. Settings come from settings.cfg beside
// the program (or, for an installed program, from the user's config folder),
// the window runs until it is closed, and the settings are written back.

#include <QApplication>
#include <QIcon>

#include <cstdlib>

#include "app/startup.h"
#include "ui/qt/qt_main_window.h"

namespace {

const char* Environment(const char* name)
{
    return std::getenv(name);
}

}  // namespace

int main(int argc, char** argv)
{
    // The window takes no options: Qt sees the program's name only, so extra
    // arguments change nothing (the platform still comes from QT_QPA_PLATFORM).
    int qtArgc = argc > 0 ? 1 : 0;
    QApplication app(qtArgc, argv);
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("zumr")));

    const std::u16string folder = app::ProgramFolderOfExecutable();
    const app::StartupPaths paths = app::Startup_ChoosePaths(folder, app::ProgramFolderIsInstalled(folder),
                                                             app::UserFolders_FromEnvironment(Environment));
    app::Startup_LoadSettings(paths);
    int code = 0;
    {
        ui::qt::QtMainWindow window;
        window.Open();
        code = QApplication::exec();
    }
    app::Startup_SaveSettings(paths);
    return code;
}
