#pragma once
// Title and reader pages in the layout of the sites, built for each test.

#include <string>
#include <vector>

struct SiteChapterLink {
    std::string href;  // as the page writes it, e.g. "/m/vol1/3"
    std::string text;  // the link text, e.g. "Manga 1 - 3 Title"
};

inline std::string SiteTitlePage(const std::string& name, const std::vector<std::string>& coverHrefs,
                                 const std::vector<SiteChapterLink>& chapters, bool withChapterBlock = true)
{
    std::string page = "<html><body><h1><span class=\"name\">" + name +
                       "</span> | <span class=\"eng-name\">Eng</span></h1>\n"
                       "<div class=\"manga-description\"><p>About.</p></div>\n";
    page += "<div style=\"display: none\" class=\"picture-fotorama\">\n";
    for (const std::string& href : coverHrefs)
        page += "<a class=\"full-list-pic\" href=\"" + href + "\"><img src=\"" + href + "\"></a>\n";
    page += "</div>\n";
    if (withChapterBlock) {
        page += "<div class=\"expandable chapters-link\"><table>\n";
        for (const SiteChapterLink& chapter : chapters)
            page += "<tr><td><a href=\"" + chapter.href + "\" title=\"\">" + chapter.text + "</a></td></tr>\n";
        page += "</table></div>\n";
    }
    page += "</body></html>\n";
    return page;
}

// The variable form: var pictures = [{url:"...",w:..,h:..},...];
inline std::string SiteReaderPage(const std::vector<std::string>& imageUrls)
{
    std::string page = "<html><body><script type=\"text/javascript\">\nvar pictures = [";
    for (size_t i = 0; i < imageUrls.size(); ++i) {
        if (i > 0)
            page += ',';
        page += "{url:\"";
        page += imageUrls[i];
        page += "\",w:800,h:1200}";
    }
    page += "];\nreader.show(pictures);\n</script></body></html>\n";
    return page;
}

// The call form: rm_h.init( [["middle","server/","file",w,h],...], 0, false); the page address is
// server + "/" + middle + file.
inline std::string SiteReaderPageCallForm(const std::string& server, const std::string& middle,
                                          const std::vector<std::string>& files)
{
    std::string page = "<html><body><script type=\"text/javascript\">\nrm_h.init( [";
    for (size_t i = 0; i < files.size(); ++i) {
        if (i > 0)
            page += ',';
        page += "['";
        page += middle;
        page += "','";
        page += server;
        page += "/',\"";
        page += files[i];
        page += "\",800,1200]";
    }
    page += "], 0, false);\n</script></body></html>\n";
    return page;
}
