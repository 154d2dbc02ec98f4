#pragma once

// Every error code of the sound layer, in one place. The numbers are those the audio manager and its log lines
// know (23 is the one it reacts to); the last error is kept per thread, like errno.
namespace sound {

enum ErrorCode : int {
    kOk = 0,
    kErrorMemory = 1,          // not enough memory for the decoded stream
    kErrorFileOpen = 2,        // the file does not exist or cannot be read
    kErrorDriver = 3,          // no audio driver could be started (SDL's audio subsystem failed)
    kErrorHandle = 5,          // the handle names no stream (never made, freed, or from before a shutdown)
    kErrorFormat = 6,          // the file has more than two channels or no usable sample rate
    kErrorInit = 8,            // the sound system is not started
    kErrorAlready = 14,        // the sound system is already started
    kErrorIllegalParameter = 20,  // an argument out of range (frequency other than 44100, unknown position mode)
    kErrorDevice = 23,
    kErrorNotPlaying = 24,     // pausing a channel that is not playing         // the device does not exist or cannot be opened (also: no usable default device)
    kErrorNotAvailable = 37,   // the action needs a real output device (play on the no-sound device)
    kErrorFileForm = 41,       // the file is not audio that can be decoded, or decoding failed part-way
    kErrorUnknown = -1,
};

// The code of the last failed call on this thread; calls that succeed set kOk.
int lastError();
// A short English description of a code, for messages.
const char* errorText(int code);

// For the layer's own use.
void setLastError(int code);

}  // namespace sound
