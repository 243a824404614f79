#include "transfer/format_wide.h"

#include <algorithm>

#include "model/text_codec.h"

namespace {

void AppendNumber(std::u16string& out, int64_t value, int precision)
{
    uint64_t magnitude = value < 0 ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
    char16_t reversed[24];
    size_t count = 0;
    while (magnitude != 0) {
        reversed[count++] = static_cast<char16_t>(u'0' + magnitude % 10);
        magnitude /= 10;
    }
    if (precision < 0 && count == 0)
        reversed[count++] = u'0';
    if (value < 0)
        out += u'-';
    if (precision > 0 && count < static_cast<size_t>(precision))
        out.append(static_cast<size_t>(precision) - count, u'0');
    while (count > 0)
        out += reversed[--count];
}

int FormatInto(std::u16string& target, std::u16string_view format, std::initializer_list<FormatArg> args)
{
    auto arg = args.begin();
    for (size_t i = 0; i < format.size(); ++i) {
        if (format[i] != u'%') {
            target += format[i];
            continue;
        }
        if (++i >= format.size())
            return -1;
        if (format[i] == u'%') {
            target += u'%';
            continue;
        }
        bool left = false;
        bool zero = false;
        for (; i < format.size() && (format[i] == u'-' || format[i] == u'0'); ++i)
            (format[i] == u'-' ? left : zero) = true;
        size_t width = 0;
        for (; i < format.size() && format[i] >= u'0' && format[i] <= u'9'; ++i)
            width = std::min<size_t>(width * 10 + (format[i] - u'0'), 4096);
        int precision = -1;
        if (i < format.size() && format[i] == u'.') {
            precision = 0;
            for (++i; i < format.size() && format[i] >= u'0' && format[i] <= u'9'; ++i)
                precision = std::min(precision * 10 + (format[i] - u'0'), 4096);
        }
        if (i >= format.size() || arg == args.end())
            return -1;
        const char16_t conversion = format[i];
        const FormatArg& value = *arg++;
        std::u16string piece;
        bool numeric = false;
        switch (conversion) {
        case u'i':
        case u'd':
            if (!std::holds_alternative<int64_t>(value))
                return -1;
            AppendNumber(piece, std::get<int64_t>(value), precision);
            numeric = true;
            break;
        case u's':
            if (!std::holds_alternative<std::u16string_view>(value))
                return -1;
            piece = std::get<std::u16string_view>(value);
            if (precision >= 0 && piece.size() > static_cast<size_t>(precision))
                piece.resize(static_cast<size_t>(precision));
            break;
        case u'S':
            if (!std::holds_alternative<std::string_view>(value))
                return -1;
            piece = WidenBytes(std::get<std::string_view>(value));
            if (precision >= 0 && piece.size() > static_cast<size_t>(precision))
                piece.resize(static_cast<size_t>(precision));
            break;
        default:
            return -1;
        }
        if (piece.size() < width) {
            const size_t pad = width - piece.size();
            if (left)
                piece.append(pad, u' ');
            else if (zero && numeric && precision < 0)
                piece.insert(piece.empty() || piece[0] != u'-' ? 0 : 1, pad, u'0');
            else
                piece.insert(0, pad, u' ');
        }
        target += piece;
    }
    return static_cast<int>(target.size());
}

}  // namespace

int FormatWide(std::u16string& target, std::u16string_view format, std::initializer_list<FormatArg> args)
{
    // Built aside: the format may be a view of the target itself.
    std::u16string out;
    const int written = FormatInto(out, format, args);
    target = std::move(out);
    return written;
}
