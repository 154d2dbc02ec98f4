#include "inspect/parameter_probe.h"

#include "base/music_format.h"
#include "post/effect_parameters.h"
#include "post/frame_renderer.h"

void probeEffectParameters(ShowReport& report) {
    const TimelineMarker none;
    for (ShowReport::Probe& probe : report.probes) {
        // The overlay follows the music's own position, as the frame reads it back from the channel.
        const double seconds = static_cast<double>(probe.position) / music_format::kBytesPerSecond;
        const EffectParameterBlocks blocks =
            FrameRenderer::frameParameters(probe.marker ? report.markers[*probe.marker] : none, probe.position, seconds);
        const FrameRenderer::OverlayImage image = FrameRenderer::overlayAt(seconds);
        ShowReport::Probe::Parameters parameters;
        parameters.blocks = blocks;
        parameters.overlayTexture = image == FrameRenderer::OverlayImage::Logo1   ? "logo1"
                                    : image == FrameRenderer::OverlayImage::Logo2 ? "logo2"
                                                                                  : "preload";
        probe.parameters = std::move(parameters);
    }
}
