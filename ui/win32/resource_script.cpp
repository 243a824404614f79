// Writes the program's resource script from the ui/ resource data, and draws
// the program icon, so windres builds the resources from the one source the
// other front ends use. Runs at build time (under Wine when cross-building):
//   zumr_rcgen OUT.rc OUT.ico MANIFEST
#include <cmath>
#include <cstdio>
#include <cstdint>
#include <string>
#include <vector>

#include "model/text_codec.h"
#include "ui/resources.h"

namespace {

// A resource-script string: UTF-8 (the script declares code page 65001),
// with backslashes, quotes and line breaks escaped.
std::string Quoted(std::u16string_view text)
{
    std::string out = "\"";
    for (char c : Utf16ToUtf8(text)) {
        if (c == '\\')
            out += "\\\\";
        else if (c == '"')
            out += "\"\"";
        else if (c == '\n')
            out += "\\n";
        else
            out += c;
    }
    return out + "\"";
}

std::string Hex(uint32_t value)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(value));
    return text;
}

void WriteDialog(std::string& rc, const std::string& name, const ui::DialogTemplate& dialog)
{
    const ui::Rect16& r = dialog.rect;
    rc += name + " DIALOGEX " + std::to_string(r.x) + ", " + std::to_string(r.y) + ", " + std::to_string(r.width) +
          ", " + std::to_string(r.height) + "\n";
    rc += "STYLE " + Hex(dialog.style) + "\n";
    rc += "CAPTION " + Quoted(dialog.title) + "\n";
    if (!dialog.className.empty())
        rc += "CLASS \"" + std::string(dialog.className) + "\"\n";
    if (dialog.menuId != 0)
        rc += "MENU " + std::to_string(dialog.menuId) + "\n";
    // Weight 0, not italic, character set 1 (the system default).
    rc += "FONT " + std::to_string(dialog.fontPoints) + ", " + Quoted(dialog.fontName) + ", 0, 0, 1\n";
    rc += "BEGIN\n";
    for (const ui::ControlTemplate& c : dialog.controls) {
        const uint32_t style = c.style | ui::style::Child | ui::style::Visible;
        rc += "    CONTROL " + Quoted(c.text) + ", " + std::to_string(c.id) + ", \"" + std::string(c.className) +
              "\", " + Hex(style) + ", " + std::to_string(c.rect.x) + ", " + std::to_string(c.rect.y) + ", " +
              std::to_string(c.rect.width) + ", " + std::to_string(c.rect.height) + ", " + Hex(c.exStyle) + "\n";
    }
    rc += "END\n\n";
}

void WriteMenuItems(std::string& rc, std::span<const ui::MenuItem> items, const std::string& indent)
{
    for (const ui::MenuItem& item : items) {
        if (!item.popup.empty()) {
            rc += indent + "POPUP " + Quoted(item.text) + "\n" + indent + "BEGIN\n";
            WriteMenuItems(rc, item.popup, indent + "    ");
            rc += indent + "END\n";
        } else if (item.id == 0) {
            rc += indent + "MENUITEM SEPARATOR\n";
        } else {
            rc += indent + "MENUITEM " + Quoted(item.text) + ", " + std::to_string(item.id) + "\n";
        }
    }
}

// The program icon, drawn here: an open book with a downward arrow over it,
// 32-bit colour with an alpha channel, in the sizes Windows asks for.
std::vector<uint8_t> IconImage(int size)
{
    std::vector<uint8_t> bgra(static_cast<size_t>(size * size * 4), 0);
    auto put = [&](int x, int y, uint32_t argb) {
        if (x < 0 || y < 0 || x >= size || y >= size)
            return;
        // Bitmaps in icons are stored bottom-up.
        uint8_t* p = &bgra[static_cast<size_t>(((size - 1 - y) * size + x) * 4)];
        p[0] = argb & 0xFF;
        p[1] = (argb >> 8) & 0xFF;
        p[2] = (argb >> 16) & 0xFF;
        p[3] = argb >> 24;
    };
    const double s = size / 32.0;
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            const double u = (x + 0.5) / s, v = (y + 0.5) / s;
            // Two pages, slightly raised towards the spine in the middle.
            const double spineLift = 2.0 - std::abs(u - 16.0) / 8.0;
            const bool page = u >= 2 && u <= 30 && v >= 14 - spineLift && v <= 29 - spineLift * 0.5;
            const bool cover = u >= 1 && u <= 31 && v >= 15 - spineLift && v <= 30.5 - spineLift * 0.5;
            const bool spine = std::abs(u - 16.0) < 0.7 && page;
            const bool line = page && !spine && std::abs(u - 16.0) > 3 && std::abs(u - 16.0) < 12 &&
                              static_cast<int>(v - (14 - spineLift)) % 4 == 3;
            // The arrow: a shaft and a head, above and into the book.
            const bool shaft = std::abs(u - 16.0) <= 2.5 && v >= 1 && v <= 11;
            const bool head = v > 10 && v <= 17 && std::abs(u - 16.0) <= (17 - v) * 1.0;
            if (shaft || head)
                put(x, y, 0xFFD03020);
            else if (spine || line)
                put(x, y, 0xFF6080A0);
            else if (page)
                put(x, y, 0xFFFAF6EA);
            else if (cover)
                put(x, y, 0xFF2A4B7C);
        }
    return bgra;
}

void Append16(std::vector<uint8_t>& out, uint32_t value)
{
    out.push_back(value & 0xFF);
    out.push_back((value >> 8) & 0xFF);
}
void Append32(std::vector<uint8_t>& out, uint32_t value)
{
    Append16(out, value & 0xFFFF);
    Append16(out, value >> 16);
}

std::vector<uint8_t> IconFile()
{
    const int sizes[] = {16, 32, 48};
    std::vector<std::vector<uint8_t>> images;
    for (int size : sizes) {
        std::vector<uint8_t> dib;
        Append32(dib, 40);  // BITMAPINFOHEADER
        Append32(dib, static_cast<uint32_t>(size));
        Append32(dib, static_cast<uint32_t>(size * 2));  // colour and mask
        Append16(dib, 1);
        Append16(dib, 32);
        for (int i = 0; i < 6; ++i)
            Append32(dib, 0);
        const std::vector<uint8_t> pixels = IconImage(size);
        dib.insert(dib.end(), pixels.begin(), pixels.end());
        const size_t maskRow = static_cast<size_t>((size + 31) / 32 * 4);
        // The mask marks the transparent pixels, for systems without alpha.
        for (int y = size - 1; y >= 0; --y) {
            std::vector<uint8_t> row(maskRow, 0);
            for (int x = 0; x < size; ++x)
                if (pixels[static_cast<size_t>(((size - 1 - y) * size + x) * 4 + 3)] == 0)
                    row[static_cast<size_t>(x / 8)] |= static_cast<uint8_t>(0x80 >> (x % 8));
            dib.insert(dib.end(), row.begin(), row.end());
        }
        images.push_back(std::move(dib));
    }
    std::vector<uint8_t> file;
    Append16(file, 0);
    Append16(file, 1);
    Append16(file, static_cast<uint32_t>(images.size()));
    uint32_t offset = static_cast<uint32_t>(6 + 16 * images.size());
    for (size_t i = 0; i < images.size(); ++i) {
        file.push_back(static_cast<uint8_t>(sizes[i] % 256));
        file.push_back(static_cast<uint8_t>(sizes[i] % 256));
        file.push_back(0);
        file.push_back(0);
        Append16(file, 1);
        Append16(file, 32);
        Append32(file, static_cast<uint32_t>(images[i].size()));
        Append32(file, offset);
        offset += static_cast<uint32_t>(images[i].size());
    }
    for (const auto& image : images)
        file.insert(file.end(), image.begin(), image.end());
    return file;
}

bool WriteFile(const char* path, const void* data, size_t size)
{
    std::FILE* file = std::fopen(path, "wb");
    if (!file)
        return false;
    const bool written = std::fwrite(data, 1, size, file) == size;
    return std::fclose(file) == 0 && written;
}

// A path the resource compiler on the build machine can read: Wine shows the
// build machine's files on drive Z:.
std::string ForScript(std::string path)
{
    if (path.size() > 2 && (path[0] == 'Z' || path[0] == 'z') && path[1] == ':')
        path.erase(0, 2);
    for (char& c : path)
        if (c == '\\')
            c = '/';
    return path;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: zumr_rcgen OUT.rc OUT.ico MANIFEST\n");
        return 2;
    }
    std::string rc = "// Generated from ui/resources.cpp at build time; edit that file instead.\n"
                     "#pragma code_page(65001)\n"
                     "LANGUAGE 0x19, 0x01  // Russian\n\n";
    rc += std::to_string(ui::kIconProgram) + " ICON \"" + ForScript(argv[2]) + "\"\n";
    rc += "1 24 \"" + ForScript(argv[3]) + "\"  // the application manifest\n\n";
    rc += std::to_string(ui::kMenuMain) + " MENU\nBEGIN\n";
    WriteMenuItems(rc, ui::MainMenu(), "    ");
    rc += "END\n\n";
    WriteDialog(rc, "MainWindow", ui::MainWindowTemplate());
    WriteDialog(rc, std::to_string(ui::kDialogSettings), ui::SettingsDialogTemplate());
    rc += "STRINGTABLE\nBEGIN\n";
    for (const ui::StringEntry& entry : ui::StringTable())
        rc += "    " + std::to_string(entry.id) + ", " + Quoted(entry.text) + "\n";
    rc += "END\n";
    const std::vector<uint8_t> icon = IconFile();
    if (!WriteFile(argv[1], rc.data(), rc.size()) || !WriteFile(argv[2], icon.data(), icon.size())) {
        std::perror("zumr_rcgen");
        return 1;
    }
    return 0;
}
