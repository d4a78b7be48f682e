#include "scenes/MessageGameLink.h"

#include "media/MultiInput.h"
#include "state/LGD_GameState.h"

namespace kestra {

std::uint16_t TVezMessageGameLink::PressedButtons() {
    return Input.Pressed;
}

std::uint16_t TVezMessageGameLink::HeldButtons() {
    return Input.Held;
}

void TVezMessageGameLink::PlaySystemSound(int which) {
    Game.System.PlaySystemSound(which);
}

TVezMessageSettings TVezMessageGameLink::MessageSettings() {
    const TLcfgSystem& s = Game.System;
    TVezMessageSettings settings;
    settings.Position = s.MessagePosition;
    settings.AvoidsParty = s.MessageAvoidsParty;
    settings.Transparent = s.MessageTransparent == 1;
    settings.FaceVisible = s.FaceVisible();
    settings.FaceRight = s.FaceRight != 0;
    return settings;
}

std::int32_t TVezMessageGameLink::HeroScreenY() {
    // Between the two limits, where the configured position stands.
    return HeroScreenYSource ? HeroScreenYSource() : 128;
}

std::string TVezMessageGameLink::ActorName(std::int32_t id) {
    const TLcfgPlayerItem* actor = id == 0 ? Game.PartyInfo.Member(0) : Game.Actors.Find(id);
    return actor ? actor->GetName() : std::string();
}

std::int32_t TVezMessageGameLink::Variable(std::int32_t id) {
    return Game.System.Variable(id);
}

void TVezMessageGameLink::SetVariable(std::int32_t id, std::int32_t value) {
    Game.System.SetVariable(id, value);
    if (VariablesChanged) VariablesChanged();
}

std::function<void(const std::string&, std::int32_t, bool)>
MessageFaceLoader(TVezMessageWindow& box,
                  std::function<std::string(const std::string&, const std::string&)> find) {
    return
        [&box, find = std::move(find)](const std::string& name, std::int32_t index, bool mirrored) {
            const std::string path = name.empty() || !find ? std::string() : find(name, "FaceSet");
            box.SetFacePicture(path, index, mirrored);
        };
}

} // namespace kestra
