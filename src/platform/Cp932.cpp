#include "platform/Cp932.h"

#include <algorithm>
#include <cerrno>
#include <iconv.h>
#include <map>
#include <memory>

namespace kestra::platform {

namespace {

// "CP932", not "SHIFT_JIS": they differ for 0x5C, 0x7E and 0x8160.
class Converter {
public:
    Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
    ~Converter() {
        if (cd_ != reinterpret_cast<iconv_t>(-1)) iconv_close(cd_);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    struct Result {
        std::string Text; // everything converted before a failure
        bool Ok = false;
        std::size_t Used = 0; // input bytes consumed
    };

    Result Run(std::string_view in) {
        Result r;
        if (cd_ == reinterpret_cast<iconv_t>(-1)) return r;
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        char buffer[256];
        char* src = const_cast<char*>(in.data());
        std::size_t left = in.size();
        while (left > 0) {
            char* dst = buffer;
            std::size_t room = sizeof buffer;
            std::size_t n = iconv(cd_, &src, &left, &dst, &room);
            r.Text.append(buffer, static_cast<std::size_t>(dst - buffer));
            if (n == static_cast<std::size_t>(-1) && errno != E2BIG) {
                r.Used = in.size() - left;
                return r;
            }
        }
        char* dst = buffer;
        std::size_t room = sizeof buffer;
        iconv(cd_, nullptr, nullptr, &dst, &room);
        r.Text.append(buffer, static_cast<std::size_t>(dst - buffer));
        r.Used = in.size();
        r.Ok = true;
        return r;
    }

private:
    iconv_t cd_;
};

Converter& ToUtf8() {
    thread_local Converter c("UTF-8", "CP932");
    return c;
}

} // namespace

std::optional<std::string> Cp932ToUtf8(std::string_view cp932) {
    auto r = ToUtf8().Run(cp932);
    if (!r.Ok) return std::nullopt;
    return std::move(r.Text);
}

std::string Cp932ToUtf8Lossy(std::string_view cp932) {
    std::string out;
    while (!cp932.empty()) {
        auto r = ToUtf8().Run(cp932);
        out += r.Text;
        if (r.Ok) break;
        out += '?';
        cp932.remove_prefix(std::min(cp932.size(), r.Used + 1));
    }
    return out;
}

std::optional<std::string> CodePageToUtf8(int codePage, std::string_view bytes) {
    if (codePage == 932) return Cp932ToUtf8(bytes);
    thread_local std::map<int, std::unique_ptr<Converter>> converters;
    auto& c = converters[codePage];
    if (!c) c = std::make_unique<Converter>("UTF-8", ("CP" + std::to_string(codePage)).c_str());
    auto r = c->Run(bytes);
    if (!r.Ok) return std::nullopt;
    return std::move(r.Text);
}

std::optional<std::string> Utf8ToCodePage(int codePage, std::string_view utf8) {
    if (codePage == 932) return Utf8ToCp932(utf8);
    thread_local std::map<int, std::unique_ptr<Converter>> converters;
    auto& c = converters[codePage];
    if (!c) c = std::make_unique<Converter>(("CP" + std::to_string(codePage)).c_str(), "UTF-8");
    auto r = c->Run(utf8);
    if (!r.Ok) return std::nullopt;
    return std::move(r.Text);
}

std::optional<std::string> Utf8ToCp932(std::string_view utf8) {
    thread_local Converter c("CP932", "UTF-8");
    auto r = c.Run(utf8);
    if (!r.Ok) return std::nullopt;
    return std::move(r.Text);
}

} // namespace kestra::platform
