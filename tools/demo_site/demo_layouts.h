#pragma once
// The demo manga's pages in the sites' own layouts of 2016 and 2024, with the
// look-alikes those pages carry: other names before the main one, other
// titles' descriptions, chapter links outside the list, image lists that are
// not the chapter's.

#include <string>

#include "tools/demo_site/demo_manga.h"

std::string DemoTitlePage2016(const DemoManga& manga, const std::string& host);
std::string DemoTitlePage2024(const DemoManga& manga, const std::string& host);
std::string DemoReaderPage2016(const DemoManga& manga, const std::string& host, int vol, int num);
std::string DemoReaderPage2024(const DemoManga& manga, const std::string& host, int vol, int num, unsigned token);
