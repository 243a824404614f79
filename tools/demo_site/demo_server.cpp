#include "tools/demo_site/demo_server.h"

#include <httplib.h>

#include <atomic>
#include <chrono>
#include <map>
#include <mutex>
#include <thread>
#include <tuple>

struct DemoServer::Impl {
    Impl(DemoOptions mangaOptions, DemoServeOptions serveOptions)
        : manga(mangaOptions),
          imageDelayMs(serveOptions.imageDelayMs),
          chunkDelayMs(serveOptions.chunkDelayMs),
          pageDelayMs(serveOptions.pageDelayMs)
    {
    }

    DemoManga manga;
    std::atomic<int> imageDelayMs{0};
    std::atomic<int> chunkDelayMs{0};
    std::atomic<int> pageDelayMs{0};
    httplib::Server server;
    std::thread thread;
    std::atomic<bool> listenEnded{false};
    int port = 0;

    std::atomic<uint64_t> requests{0}, titlePages{0}, readerPages{0}, images{0}, notFound{0}, bodyBytes{0};
    std::atomic<unsigned> token{0};

    mutable std::mutex cacheLock;
    mutable std::map<std::tuple<int, int, int>, std::shared_ptr<const std::string>> cache;

    std::shared_ptr<const std::string> Picture(int vol, int num, int page) const
    {
        // Covers use volume 0, which no chapter has.
        const auto key = std::make_tuple(vol, num, page);
        {
            std::lock_guard<std::mutex> lock(cacheLock);
            auto found = cache.find(key);
            if (found != cache.end())
                return found->second;
        }
        auto png = std::make_shared<const std::string>(vol == 0 ? manga.CoverPng(num) : manga.PagePng(vol, num, page));
        std::lock_guard<std::mutex> lock(cacheLock);
        return cache.emplace(key, std::move(png)).first->second;
    }

    std::string Host() const { return "http://127.0.0.1:" + std::to_string(port); }

    // The host the client asked for, so that a relay in front of the site
    // (a proxy adding a round trip) gets addresses that lead through it too.
    // Anything but a plain host and port falls back to the site's own.
    std::string HostFor(const httplib::Request& request) const
    {
        const std::string asked = request.get_header_value("Host");
        const bool plain = !asked.empty() && asked.size() <= 64 && asked.find_first_not_of(
            "0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ.-:") == std::string::npos;
        return plain ? "http://" + asked : Host();
    }

    void SendPicture(httplib::Response& response, std::shared_ptr<const std::string> png)
    {
        ++images;
        bodyBytes += png->size();
        const int startDelay = imageDelayMs;
        if (startDelay > 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(startDelay));
        const int delay = chunkDelayMs;
        if (delay <= 0) {
            response.set_content(*png, "image/png");
            return;
        }
        const size_t piece = std::max<size_t>(1, png->size() / 8);
        response.set_content_provider(
            png->size(), "image/png", [png, piece, delay](size_t offset, size_t length, httplib::DataSink& sink) {
                if (offset > 0)
                    std::this_thread::sleep_for(std::chrono::milliseconds(delay));
                return sink.write(png->data() + offset, std::min(piece, length));
            });
    }

    void Install()
    {
        // Long keep-alive so a client can fetch a whole manga over one connection.
        server.set_keep_alive_max_count(1000000);
        // Headers and body go out in separate writes; without this each reply
        // waits for the client's delayed acknowledgement.
        server.set_tcp_nodelay(true);
        server.set_pre_routing_handler([this](const httplib::Request& request, httplib::Response&) {
            if (request.path != "/stats")
                ++requests;
            return httplib::Server::HandlerResponse::Unhandled;
        });
        server.Get(DemoManga::kTitlePath, [this](const httplib::Request& request, httplib::Response& response) {
            ++titlePages;
            std::string page = manga.TitlePage(HostFor(request));
            bodyBytes += page.size();
            response.set_content(std::move(page), "text/html; charset=utf-8");
        });
        server.Get(std::string(DemoManga::kTitlePath) + R"(/vol(\d{1,6})/(\d{1,6}))",
                   [this](const httplib::Request& request, httplib::Response& response) {
                       const int vol = std::stoi(request.matches[1]);
                       const int num = std::stoi(request.matches[2]);
                       auto page = manga.ReaderPage(HostFor(request), vol, num, token++);
                       if (!page) {
                           response.status = 404;
                           return;
                       }
                       ++readerPages;
                       bodyBytes += page->size();
                       if (const int delay = pageDelayMs; delay > 0)
                           std::this_thread::sleep_for(std::chrono::milliseconds(delay));
                       response.set_content(std::move(*page), "text/html; charset=utf-8");
                   });
        server.Get(R"(/img/(\d{1,6})/(\d{1,6})/(\d{1,6})\.png)",
                   [this](const httplib::Request& request, httplib::Response& response) {
                       const int vol = std::stoi(request.matches[1]);
                       const int num = std::stoi(request.matches[2]);
                       const int page = std::stoi(request.matches[3]) - 1;
                       const auto& chapters = manga.Chapters();
                       if (vol < 1 || num < 1 || num > static_cast<int>(chapters.size()) ||
                           chapters[static_cast<size_t>(num - 1)].Vol != vol || page < 0 ||
                           page >= manga.Options().pagesPerChapter) {
                           response.status = 404;
                           return;
                       }
                       SendPicture(response, Picture(vol, num, page));
                   });
        server.Get(R"(/covers/zumr_demo_(\d)\.png)", [this](const httplib::Request& request, httplib::Response& response) {
            const int cover = std::stoi(request.matches[1]);
            if (cover < 1 || cover > DemoManga::kCoverCount) {
                response.status = 404;
                return;
            }
            SendPicture(response, Picture(0, cover, 0));
        });
        server.Get("/stats", [this](const httplib::Request&, httplib::Response& response) {
            response.set_content(CountersJson(), "application/json");
        });
        server.Get("/", [](const httplib::Request&, httplib::Response& response) {
            response.set_content("<html><body><a href=\"" + std::string(DemoManga::kTitlePath) + "\">" +
                                     DemoManga::kName + "</a></body></html>\n",
                                 "text/html; charset=utf-8");
        });
        server.set_error_handler([this](const httplib::Request&, httplib::Response& response) {
            if (response.status == 404)
                ++notFound;
        });
    }

    DemoCounters Counters() const
    {
        DemoCounters c;
        c.requests = requests;
        c.titlePages = titlePages;
        c.readerPages = readerPages;
        c.images = images;
        c.notFound = notFound;
        c.bodyBytes = bodyBytes;
        return c;
    }

    std::string CountersJson() const
    {
        const DemoCounters c = Counters();
        return "{\"requests\": " + std::to_string(c.requests) + ", \"title_pages\": " + std::to_string(c.titlePages) +
               ", \"reader_pages\": " + std::to_string(c.readerPages) + ", \"images\": " + std::to_string(c.images) +
               ", \"not_found\": " + std::to_string(c.notFound) + ", \"body_bytes\": " + std::to_string(c.bodyBytes) +
               "}\n";
    }
};

DemoServer::DemoServer(DemoOptions manga, DemoServeOptions serve) : impl_(std::make_unique<Impl>(manga, serve))
{
    impl_->Install();
}

DemoServer::~DemoServer()
{
    Stop();
}

bool DemoServer::Start(int port)
{
    if (impl_->thread.joinable())
        return true;
    if (port == 0) {
        impl_->port = impl_->server.bind_to_any_port("127.0.0.1");
        if (impl_->port <= 0)
            return false;
    } else {
        if (!impl_->server.bind_to_port("127.0.0.1", port))
            return false;
        impl_->port = port;
    }
    impl_->listenEnded = false;
    impl_->thread = std::thread([this] {
        impl_->server.listen_after_bind();
        impl_->listenEnded = true;
    });
    // Connections queue on the bound socket already; waiting for the loop only
    // makes sure a Stop right after Start is not missed.
    while (!impl_->server.is_running() && !impl_->listenEnded)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return true;
}

void DemoServer::Stop()
{
    if (impl_->thread.joinable()) {
        impl_->server.stop();
        impl_->thread.join();
    }
}

int DemoServer::Port() const
{
    return impl_->port;
}

std::string DemoServer::Host() const
{
    return impl_->Host();
}

std::string DemoServer::MangaUrl() const
{
    return impl_->Host() + DemoManga::kTitlePath;
}

const DemoManga& DemoServer::Manga() const
{
    return impl_->manga;
}

DemoCounters DemoServer::Counters() const
{
    return impl_->Counters();
}

std::string DemoServer::CountersJson() const
{
    return impl_->CountersJson();
}

void DemoServer::SetServeOptions(DemoServeOptions serve)
{
    impl_->imageDelayMs = serve.imageDelayMs;
    impl_->chunkDelayMs = serve.chunkDelayMs;
    impl_->pageDelayMs = serve.pageDelayMs;
}

void DemoServer::Warm()
{
    for (const DemoChapter& chapter : impl_->manga.Chapters())
        for (int page = 0; page < impl_->manga.Options().pagesPerChapter; ++page)
            impl_->Picture(chapter.Vol, chapter.Num, page);
    for (int cover = 1; cover <= DemoManga::kCoverCount; ++cover)
        impl_->Picture(0, cover, 0);
}

std::shared_ptr<const std::string> DemoServer::PagePng(int vol, int num, int page) const
{
    return impl_->Picture(vol, num, page);
}

std::shared_ptr<const std::string> DemoServer::CoverPng(int cover) const
{
    return impl_->Picture(0, cover, 0);
}
