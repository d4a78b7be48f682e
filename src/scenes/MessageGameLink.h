#pragma once
// The message box's view of the running game: keys from the input, sounds, message
// options, names and variables from the game state, the hero's place on the screen.
#include "scenes/GameWindowsMessage.h"

#include <functional>

namespace kestra {

class TLcfgGameState;
class TMultiInput;

class TVezMessageGameLink : public IVezMessageHost {
public:
    // Both must outlive the link.
    TVezMessageGameLink(TLcfgGameState& game, TMultiInput& input, bool testPlay)
        : Game(game), Input(input), TestPlayMode(testPlay) {}

    // The bottom of the hero's tile on the screen; unset: the middle of the screen.
    std::function<std::int32_t()> HeroScreenYSource;
    // Called after the box stored an entered number (the map events' pages follow
    // the variables).
    std::function<void()> VariablesChanged;

    std::uint16_t PressedButtons() override;
    std::uint16_t HeldButtons() override;
    bool TestPlay() override { return TestPlayMode; }
    void PlaySystemSound(int which) override;
    TVezMessageSettings MessageSettings() override;
    std::int32_t HeroScreenY() override;
    std::string ActorName(std::int32_t id) override;
    std::int32_t Variable(std::int32_t id) override;
    void SetVariable(std::int32_t id, std::int32_t value) override;

private:
    TLcfgGameState& Game;
    TMultiInput& Input;
    bool TestPlayMode;
};

// Loads the message face named by the game state into the box: the file is looked
// up in "FaceSet"; an empty or missing name removes the face, a broken file raises
// an error naming it. The box must outlive the loader.
std::function<void(const std::string&, std::int32_t, bool)>
MessageFaceLoader(TVezMessageWindow& box,
                  std::function<std::string(const std::string&, const std::string&)> find);

} // namespace kestra
