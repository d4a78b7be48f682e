#pragma once
// How many event commands one interpreter may run in a frame: 10000 for every game. The
// fuzz driver, which plays a game per input, lowers it for the whole process so that a
// looping list costs hundreds of commands a frame, not tens of thousands.
namespace kestra {

int CommandsPerFrame();
// Values below 1 count as 1.
void SetCommandsPerFrame(int commands);

} // namespace kestra
