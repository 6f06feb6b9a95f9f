// A command's text and checksum as they go on the wire: the C-locale formatting and the checksum digits.
#include "link/link.h"

#include "link/frame.h"

#include <algorithm>
#include <cstring>
#include <clocale>
#include <cstdarg>
#include <cstdio>
#include <locale.h>

namespace kalvora {

int ComputeChecksumOf(const char* text)
{
    return text == nullptr ? 0 : FrameChecksum(QByteArrayView(text, qsizetype(std::strlen(text))));
}

QByteArray ChecksumDigits(int checksum) { return ChecksumText(checksum); }

namespace {

locale_t CLocale()
{
    static const locale_t c = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return c;
}

}  // namespace

int FormatCommandV(char* buffer, int size, const char* format, va_list args)
{
    if (buffer == nullptr || size <= 0) return 0;
    buffer[0] = '\0';
    if (format == nullptr) return 0;
    // Commands go on the wire with a point as decimal separator, whatever the system's locale.
    const locale_t previous = uselocale(CLocale());
    const int n = std::vsnprintf(buffer, size_t(size), format, args);
    uselocale(previous);
    if (n < 0) {
        buffer[0] = '\0';
        return 0;
    }
    return std::min(n, size - 1);
}

int FormatCommand(char* buffer, int size, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    const int n = FormatCommandV(buffer, size, format, args);
    va_end(args);
    return n;
}

}  // namespace kalvora
