#pragma once

// A range of frames captured through the offline renderer: a PNG sequence (DIR/frame_00000.png, ...) encoded on
// every core, or raw frames piped to ffmpeg with the music of exactly the frames' span muxed in. Drawing, read-back
// and encoding overlap: the renderer keeps a few frames in flight, the encoders work behind it.

#include <cstddef>
#include <string>

class OfflineRenderer;

struct CaptureRange {
    double from = 0.0, to = 0.0;  // seconds of the music, `to` excluded
    double fps = 0.0;
    std::string sequenceDirectory;  // PNG files, or
    std::string video;              // a video file through ffmpeg (libx264 and AAC)
    int crf = -1;                   // libx264's quality, 0 to 51; -1: ffmpeg's default
    std::string preset;             // libx264's preset; empty: ffmpeg's default
    unsigned encoders = 0;          // PNG encoding threads; 0: one per core
    bool showProgress = true;
};

// Frames from..to at fps, the end excluded: frame k is at from + k / fps.
std::size_t captureFrameCount(const CaptureRange& range);

// The ffmpeg command line for a video capture of `range` (music cut to the frames' span, frame-exact).
std::string videoCommand(const CaptureRange& range, const OfflineRenderer& renderer);

// Renders the range. False with `error` set when a frame cannot be drawn or written, or ffmpeg fails.
bool captureRange(OfflineRenderer& renderer, const CaptureRange& range, std::string* error);
