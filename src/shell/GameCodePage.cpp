#include "shell/GameCodePage.h"

#include "base/CodePage.h"
#include "base/Errors.h"
#include "base/IniFile.h"
#include "base/Warning.h"
#include "data/DataBase.h"
#include "data/LD_Event.h"

#include <filesystem>

namespace kestra {

namespace {

// Hands every string of a record, its nested records and lists and its command lists
// to the guess.
class TTextCollector final : public TChunkVisitor {
public:
    explicit TTextCollector(TCodePageGuess& guess) : guess_(guess) {}

    void Visit(TChunkDesc& c) override {
        switch (c.Kind) {
        case EChunkKind::String:
            guess_.Add(*static_cast<const std::string*>(c.Target));
            break;
        case EChunkKind::Block:
            if (const auto* commands = dynamic_cast<const TVezEventScriptList*>(c.Codec))
                for (const TVezEventScriptLine& line : commands->Lines) guess_.Add(line.Text);
            break;
        case EChunkKind::List:
            for (std::size_t i = 0; i < c.List->Count(); ++i)
                c.List->ItemAt(i)->DescribeChunks(*this);
            break;
        case EChunkKind::Record:
            c.Record->DescribeChunks(*this);
            break;
        default:
            break;
        }
    }

private:
    TCodePageGuess& guess_;
};

} // namespace

int GuessCodePage(TVezDataBase& database, std::string_view title) {
    TCodePageGuess guess;
    guess.Add(title);
    TTextCollector collector(guess);
    database.DescribeChunks(collector);
    return guess.Guess();
}

int ChooseCodePage(const TGameConfig& config) {
    if (config.CodePage) return *config.CodePage;
    std::error_code ec;
    for (std::filesystem::directory_iterator it(config.GameDir, ec), end; !ec && it != end;
         it.increment(ec)) {
        if (FoldAsciiCase(it->path().filename().string()) != "kestra.ldb") continue;
        try {
            const TWarningsMuted quiet; // the game's own load of the file warns
            TVezDataBase database;
            database.LoadFromFile(it->path().string());
            return GuessCodePage(database, config.GameTitle);
        } catch (const EKestraError&) {
            break;
        }
    }
    return KDefaultCodePage;
}

} // namespace kestra
