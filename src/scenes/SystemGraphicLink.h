#pragma once
// The game state's pictures drawn by the graphics side: the system graphic that
// skins the windows (file, background mode and font). Faces belong to the message
// window and the menu, which take them over when they exist.
#include "graphics/GR_System.h"
#include "state/LGD_GameState.h"

namespace kestra {

class TVezSystemGraphicLink : public ILcfgPictures {
public:
    // The system graphic must outlive the link.
    explicit TVezSystemGraphicLink(TVezSystemGraphic& system) : System(system) {}

    // A name that is not found raises an error naming it; an empty name leaves a
    // blank skin (a database without a system graphic).
    void SystemGraphicChanged(const std::string& file, std::int32_t background,
                              std::int32_t font) override;
    void MessageFaceChanged(const std::string&, std::int32_t, bool) override {}
    void MemberFaceChanged(int, const std::string&, std::int32_t) override {}

private:
    TVezSystemGraphic& System;
};

} // namespace kestra
