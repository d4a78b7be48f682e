#pragma once
// The game chooser: started in a folder that holds no game but game folders, the
// player sees their titles in a window of the player's own skin, picks one with the
// direction keys and Decide (Cancel ends the program), and plays it.
#include "scenes/GameWindows.h"
#include "shell/LS_Base.h"

#include <string>
#include <vector>

namespace kestra {

class TGameMain;

struct TGameChoice {
    std::string Folder; // the folder's name in the chooser's folder
    std::string Title;  // the game's title (its code page), "Untitled" when it has none
};

// The games of the folders in `dir`, with their titles.
std::vector<TGameChoice> ReadGameChoices(const std::string& dir,
                                         const std::vector<std::string>& folders);

class TGameChooserScene : public TVezScene {
public:
    // Runs in the title's place; the game must outlive the scene.
    TGameChooserScene(TGameMain& game, std::vector<TGameChoice> games);
    void Reset() override;
    void Update() override;
    void Draw() override;

    TVezWindow& List() { return list_; }

private:
    class TList : public TVezWindow {
    public:
        TList(TGameMain& game, const std::vector<TGameChoice>& games)
            : TVezWindow(game), games_(games) {}
        void DrawItem(int x, int y, int index) override;

    private:
        const std::vector<TGameChoice>& games_;
    };

    TGameMain& Game;
    std::vector<TGameChoice> games_;
    TVezHelpWindow heading_;
    TList list_;
};

} // namespace kestra
