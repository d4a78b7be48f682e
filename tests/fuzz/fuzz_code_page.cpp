// Game text in any code page: the guess over a database's texts and the walking and
// conversion of every page meet bytes from downloaded games.
#include "base/CodePage.h"
#include "platform/Cp932.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    kestra::TCodePageGuess guess;
    // Texts split at zero bytes, as a database hands them over one by one.
    for (std::size_t start = 0; start <= text.size();) {
        std::size_t end = text.find('\0', start);
        if (end == std::string_view::npos) end = text.size();
        guess.Add(text.substr(start, end - start));
        start = end + 1;
    }
    if (!kestra::IsSupportedCodePage(guess.Guess())) std::abort();
    for (int number : kestra::KCodePages) {
        const kestra::TCodePage page(number, kestra::platform::CodePageToUtf8);
        for (std::size_t pos = 0; pos < text.size();) {
            const std::size_t n = page.CharLength(text, pos);
            if (n < 1 || n > 2 || pos + n > text.size()) std::abort();
            if (n == 2)
                (void)page.ToUnicode(
                    static_cast<std::uint16_t>(static_cast<std::uint8_t>(text[pos]) << 8 |
                                               static_cast<std::uint8_t>(text[pos + 1])));
            pos += n;
        }
        if (!kestra::IsValidUtf8(page.ToUtf8Lossy(text))) std::abort();
    }
    return 0;
}
