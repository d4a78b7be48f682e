#pragma once
// The game state's pictures drawn by the graphics side: the system graphic that
// skins the windows (file, background mode and font). Faces belong to the message
// window and the menu, which take them over when they exist.
#include "graphics/GR_System.h"
#include "state/LGD_GameState.h"

#include <functional>

namespace kestra {

class TVezSystemGraphicLink : public ILcfgPictures {
public:
    // The system graphic must outlive the link.
    explicit TVezSystemGraphicLink(TVezSystemGraphic& system) : System(system) {}

    // A name that is not found raises an error naming it; an empty name leaves a
    // blank skin (a database without a system graphic).
    void SystemGraphicChanged(const std::string& file, std::int32_t background,
                              std::int32_t font) override;
    void MessageFaceChanged(const std::string& file, std::int32_t index, bool mirrored) override {
        if (MessageFace) MessageFace(file, index, mirrored);
    }
    void MemberFaceChanged(int, const std::string&, std::int32_t) override {}

    // Where the message face goes (the message box); unset: nowhere.
    std::function<void(const std::string& file, std::int32_t index, bool mirrored)> MessageFace;

private:
    TVezSystemGraphic& System;
};

} // namespace kestra
