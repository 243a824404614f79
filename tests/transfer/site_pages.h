#pragma once
// Title and reader pages in the layout of the sites.

#include <string>
#include <vector>

struct SiteChapterLink {
    std::string href;  // as the page writes it, e.g. "/m/vol1/3"
    std::string text;  // e.g. "Manga 1 - 3 Title"
};

inline std::string SiteTitlePage(const std::string& name, const std::string& coverHref,
                                 const std::vector<SiteChapterLink>& chapters)
{
    std::string page = "<html><body><h1><span class=\"name\">" + name +
                       "</span> | <span class=\"eng-name\">Eng</span></h1>\n<div class=\"manga-description\"><p>About.</p></div>\n"
                       "<div style=\"display: none\" class=\"picture-fotorama\">\n<a class=\"full-list-pic\" href=\"" +
                       coverHref + "\"><img src=\"" + coverHref + "\"></a>\n</div>\n<div class=\"expandable chapters-link\"><table>\n";
    for (const SiteChapterLink& chapter : chapters)
        page += "<tr><td><a href=\"" + chapter.href + "\" title=\"\">" + chapter.text + "</a></td></tr>\n";
    return page + "</table></div>\n</body></html>\n";
}

// The variable form, var pictures = [{url:"...",w:..,h:..},...]; or the call
// form, rm_h.init( [["middle","server/","file",w,h],...], 0, false); whose
// addresses are server + "/" + middle + file. Both give server/middle/files[i].
inline std::string SiteReaderPage(bool callForm, const std::string& server, const std::string& middle,
                                  const std::vector<std::string>& files)
{
    std::string list;
    for (const std::string& file : files) {
        list.append(list.empty() ? "" : ",");
        if (callForm)
            list.append("['").append(middle).append("','").append(server).append("/',\"").append(file).append("\",800,1200]");
        else
            list.append("{url:\"").append(server).append("/").append(middle).append(file).append("\",w:800,h:1200}");
    }
    return "<html><body><script type=\"text/javascript\">\n" +
           (callForm ? "rm_h.init( [" + list + "], 0, false);" : "var pictures = [" + list + "];\nreader.show(pictures);") +
           "\n</script></body></html>\n";
}
