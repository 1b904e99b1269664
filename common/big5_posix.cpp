#include "common/big5.h"

#include <iconv.h>

#include <cerrno>

#include "common/error.h"

namespace dudo {

namespace {

std::string Convert(const std::string& text, const char* to, const char* from) {
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) throw Error(std::string("iconv: ") + from + " -> " + to);
    std::string out(text.size() * 4 + 4, '\0');
    char* in = const_cast<char*>(text.data());
    std::size_t inLeft = text.size();
    char* o = out.data();
    std::size_t outLeft = out.size();
    while (inLeft > 0) {
        if (iconv(cd, &in, &inLeft, &o, &outLeft) != static_cast<std::size_t>(-1)) break;
        if (errno != EILSEQ && errno != EINVAL) break;
        // A character the code page lacks becomes "?", as the ANSI entry point does.
        *o++ = '?';
        --outLeft;
        ++in;
        --inLeft;
        while (inLeft > 0 && (static_cast<unsigned char>(*in) & 0xC0) == 0x80) ++in, --inLeft;
    }
    iconv_close(cd);
    out.resize(out.size() - outLeft);
    return out;
}

}  // namespace

std::string ToBig5(const std::string& utf8) { return Convert(utf8, "BIG5", "UTF-8"); }
std::string FromBig5(const std::string& big5) { return Convert(big5, "UTF-8", "BIG5"); }

}  // namespace dudo
