#pragma once
// The program's exception classes.
//
// Errors derive from EKestraError; loaders that are told not to raise swallow
// exactly these. Control-flow exceptions (abort, reset, end of battle) do not
// derive from it, so no error handler can ever swallow them by accident.
#include <stdexcept>
#include <string>

namespace kestra {

class EKestraError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A data file (database, map, save) is broken or truncated.
class EStreamReadError : public EKestraError {
public:
    using EKestraError::EKestraError;
};

// An image is not something a sheet can hold (wrong pixel format, empty).
class EInvalidGraphic : public EKestraError {
public:
    using EKestraError::EKestraError;
};

// An image file breaks its own format.
class EImageFormatError : public EKestraError {
public:
    using EKestraError::EKestraError;
};

// An image file is valid but uses a variant we do not read.
class EUnsupportedFormat : public EKestraError {
public:
    using EKestraError::EKestraError;
};

// A file could not be opened, read or written.
class EFileError : public EKestraError {
public:
    using EKestraError::EKestraError;
};

// Lookup of an absent ID in a catalog.
class ELookupError : public EKestraError {
public:
    using EKestraError::EKestraError;
};

// Control flow, not errors.
class EKandelDrawAbort {}; // the window is closing
class EKandelDrawReset {}; // F12 or a scripted reset: start the game over
class EVezBattleEnd {};    // the battle is over; caught by the battle scene only

} // namespace kestra
