// zumr-demo-site: serves a generated manga on 127.0.0.1 until SIGINT or SIGTERM,
// then prints what it has served.

#include <CLI/CLI.hpp>

#include <csignal>
#include <cstdio>
#include <fstream>
#include <iostream>

#include "tools/demo_site/demo_server.h"

int main(int argc, char** argv)
{
    DemoOptions manga;
    DemoServeOptions serve;
    int port = 0;
    int imageKib = 0;
    bool warm = false;
    std::string readyFile;
    std::string layout = "designed";

    CLI::App app{"Serves a generated manga in the layout of the supported sites, on 127.0.0.1."};
    app.add_option("-p,--port", port, "TCP port; 0 picks a free one and prints it")->check(CLI::Range(0, 65535));
    app.add_option("-c,--chapters", manga.chapters, "number of chapters")->check(CLI::Range(0, 100000));
    app.add_option("-n,--pages", manga.pagesPerChapter, "pages per chapter")->check(CLI::Range(0, 10000));
    app.add_option("--chapters-per-volume", manga.chaptersPerVolume, "chapters in each volume")
        ->check(CLI::Range(1, 100000));
    app.add_option("--image-kib", imageKib, "size of each picture in KiB (0 = small pictures)")
        ->check(CLI::Range(0, 65536));
    app.add_option("--image-delay-ms", serve.imageDelayMs, "pause before each picture reply")
        ->check(CLI::Range(0, 60000));
    app.add_option("--chunk-delay-ms", serve.chunkDelayMs, "send pictures in 8 pieces with this pause between")
        ->check(CLI::Range(0, 60000));
    app.add_option("--page-delay-ms", serve.pageDelayMs, "pause before each reader page reply")
        ->check(CLI::Range(0, 60000));
    app.add_option("--layout", layout, "page layout: designed, 2016 or 2024 (the sites' own of those years)")
        ->check(CLI::IsMember({"designed", "2016", "2024"}));
    app.add_flag("--warm", warm, "encode every picture before serving");
    app.add_option("--ready-file", readyFile, "write the manga address into this file once serving");
    CLI11_PARSE(app, argc, argv);
    manga.imageBytes = imageKib * 1024;
    manga.layout = DemoLayout_FromName(layout).value_or(DemoLayout::Designed);

    // Signals are taken synchronously by this thread; the server threads inherit the mask.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    DemoServer server(manga, serve);
    if (warm)
        server.Warm();
    if (!server.Start(port)) {
        std::cerr << "zumr-demo-site: cannot listen on 127.0.0.1:" << port << "\n";
        return 1;
    }
    std::cout << "zumr-demo-site: serving " << server.MangaUrl() << " (port " << server.Port() << ", "
              << manga.chapters << " chapters of " << manga.pagesPerChapter << " pages, " << layout << " layout)"
              << std::endl;
    if (!readyFile.empty()) {
        // Written aside and renamed, so a script polling for it never reads half a line.
        const std::string temp = readyFile + ".part";
        {
            std::ofstream out(temp, std::ios::trunc);
            out << server.MangaUrl() << "\n";
        }
        std::rename(temp.c_str(), readyFile.c_str());
    }

    int signal = 0;
    sigwait(&stopSignals, &signal);
    server.Stop();
    std::cout << "zumr-demo-site: stopped; served " << server.CountersJson() << std::flush;
    return 0;
}
