#include "platform/sound/sound_errors.h"

namespace sound {

namespace {
thread_local int lastErrorCode = kOk;
}

int lastError() { return lastErrorCode; }

void setLastError(int code) { lastErrorCode = code; }

const char* errorText(int code) {
    switch (code) {
        case kOk: return "no error";
        case kErrorMemory: return "out of memory";
        case kErrorFileOpen: return "the file cannot be opened";
        case kErrorDriver: return "no audio driver available";
        case kErrorHandle: return "invalid handle";
        case kErrorFormat: return "unsupported channel layout or sample rate";
        case kErrorInit: return "the sound system is not started";
        case kErrorAlready: return "the sound system is already started";
        case kErrorIllegalParameter: return "illegal parameter";
        case kErrorDevice: return "no such device, or it cannot be opened";
        case kErrorNotPlaying: return "the channel is not playing";
        case kErrorNotAvailable: return "not available without an output device";
        case kErrorFileForm: return "not a decodable audio file";
        default: return "unknown error";
    }
}

}  // namespace sound
