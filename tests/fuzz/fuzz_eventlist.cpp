// Decodes arbitrary bytes as an event command list, a move route and a map's event
// list; whatever decodes must encode back to bytes that decode to the same thing.
#include <cstddef>
#include <cstdint>
#include <span>

#include "data/LD_Event.h"
#include "data/LD_MoveRoute.h"

namespace {

template <class T>
void RoundTrip(const T& codec) {
    kestra::TByteWriter w;
    codec.EncodeTo(w);
    T again;
    kestra::TByteReader r(w.Bytes, "re-encoded");
    again.DecodeFrom(r);
    kestra::TByteWriter w2;
    again.EncodeTo(w2);
    if (w2.Bytes != w.Bytes) __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::span<const std::uint8_t> bytes(data, size);
    try {
        kestra::TVezEventScriptList list;
        kestra::TByteReader r(bytes, "fuzz commands");
        list.DecodeFrom(r);
        RoundTrip(list);
    } catch (const kestra::EKestraError&) {
    }
    try {
        kestra::TVezMoveRoute route;
        route.SetFromBytes(bytes, size % 2 == 0);
        RoundTrip(route.Commands);
    } catch (const kestra::EKestraError&) {
    }
    try {
        kestra::TVezEvent events;
        kestra::TByteReader r(bytes, "fuzz events");
        events.LoadFromStream(r);
        kestra::TByteWriter w;
        events.SaveToStream(w);
        kestra::TVezEvent again;
        kestra::TByteReader r2(w.Bytes, "re-encoded events");
        again.LoadFromStream(r2);
        if (!again.Equals(events)) __builtin_trap();
    } catch (const kestra::EKestraError&) {
    }
    return 0;
}
