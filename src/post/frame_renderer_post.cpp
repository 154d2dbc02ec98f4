#include "post/frame_renderer.h"

#include "base/demo_logger.h"
#include "audio/audio_manager.h"
#include "post/effect_registry.h"

void FrameRenderer::loadResources() {
    gpu::Device* device = graphics->device.get();
    logger->info("DirectX: creating stencil buffers");
    depthStates.create(device);

    const uint32_t width = frame.width;
    const uint32_t height = frame.height;
    for (RenderTarget& target : colourTargets) {
        target.create(device, width, height, gpu::Format::R8G8B8A8_UNORM_SRGB, 1, 1, 0, false, false, 1);
    }
    depthBuffer.create(device, width, height, gpu::Format::D24_UNORM_S8_UINT, true, 1, 0, 1);

    depthOfField.setup(device, width, height);
    depthOfField.resize(width, height);
    lensDistort.setup(device, width, height);
    lensDistort.resize(width, height);
    colorCorrect.setup(device, width, height);
    colorCorrect.resize(width, height);
    textureOverlay.setup(device, width, height);
    textureOverlay.resize(width, height);
    bloom.setup(device, width, height);
    bloom.resize(width, height);
    if (effects) {
        effects->add("DOF", &depthOfField, &effectBlocks.depthOfField);
        effects->add("LensDistortion", &lensDistort, &effectBlocks.lensDistort);
        effects->add("ColorCorrection", &colorCorrect, &effectBlocks.colorCorrect);
        effects->add("Bloom", &bloom, &effectBlocks.bloom);
        effects->add("Overlay", &textureOverlay, &effectBlocks.overlay);
    }

    resetEffectParameters();
    showPreloader();

    // An image that cannot be decoded throws out of here, as the preload image's does.
    logoTexture1.load(device, kLogoImages[0], true);
    logoTexture2.load(device, kLogoImages[1], true);

    // A software rasteriser compiles each program at its first draw (about 100 ms each); drawn now, behind the
    // preloader, the chain costs the first frame of the show no more than any other. Its last pass goes to colour
    // target 0, whose format is the back buffer's, so that the back buffer keeps the preload image.
    drawChain(false, colourTargets[0].renderTargetView.get());
}

void FrameRenderer::showPreloader() {
    preloadTexture.load(graphics->device.get(), kPreloadImage, true);
    textureOverlay.setParameters(OverlayParameters{1.0f});
    gpu::DeviceContext* context = graphics->immediateContext;
    const float opaqueBlack[4] = {0.0f, 0.0f, 0.0f, 1.0f};
    context->ClearRenderTargetView(colourTargets[0].renderTargetView.get(), opaqueBlack);
    textureOverlay.run(context, colourTargets[0].shaderResourceView.get(), preloadTexture.view(),
                       graphics->backBufferView.get());
    // No vertical-sync wait: the image should be up before the scenes load.
    if (graphics->swapChain) graphics->swapChain->Present(0, 0);
}

FrameRenderer::OverlayImage FrameRenderer::overlayAt(double seconds) {
    if (seconds > 161.0 && seconds < 169.0) return OverlayImage::Logo1;
    if (seconds >= 169.0 && seconds < 190.0) return OverlayImage::Logo2;
    return OverlayImage::Preload;
}

namespace {

// A logo shows fully; the preload image stays bound but at amount 0.
float overlayAmount(FrameRenderer::OverlayImage image) {
    return image == FrameRenderer::OverlayImage::Preload ? 0.0f : 1.0f;
}

}  // namespace

EffectParameterBlocks FrameRenderer::frameParameters(const TimelineMarker& marker, std::uint64_t position,
                                                     double seconds) {
    EffectParameterBlocks blocks;
    blocks.apply(marker, secondsIntoMarker(marker, position));
    blocks.overlay.amount = overlayAmount(overlayAt(seconds));
    return blocks;
}

void FrameRenderer::postProcess() {
    if (!momentTaken) frameMoment = audio ? audio->moment() : MusicMoment{};
    momentTaken = false;
    applyMarkerEffects(frameMoment.marker, secondsIntoMarker(frameMoment.marker, frameMoment.position));
    drawChain(true, graphics->backBufferView.get());
}

void FrameRenderer::drawChain(bool playing, gpu::RenderTargetView* output) {
    gpu::DeviceContext* context = graphics->immediateContext;

    depthOfField.setParameters(effectBlocks.depthOfField);
    lensDistort.setParameters(effectBlocks.lensDistort);
    colorCorrect.setParameters(effectBlocks.colorCorrect);
    bloom.setParameters(effectBlocks.bloom);

    depthOfField.run(context, colourTargets[0].shaderResourceView.get(), depthBuffer.shaderResourceView.get(),
                     colourTargets[1].renderTargetView.get());
    lensDistort.render(context, colourTargets[1].shaderResourceView.get(), colourTargets[2].renderTargetView.get());
    bloom.render(context, colourTargets[2].shaderResourceView.get(), colourTargets[1].renderTargetView.get());

    // Without an open track the show stands at its start.
    const AudioManagerInterface* channel = playing && audio ? audio->getAudio() : nullptr;
    currentPosition = channel ? frameMoment.seconds : 0.0;
    currentOverlay = overlayAt(currentPosition);
    const Texture* overlay = &preloadTexture;
    if (currentOverlay == OverlayImage::Logo1) overlay = &logoTexture1;
    if (currentOverlay == OverlayImage::Logo2) overlay = &logoTexture2;
    effectBlocks.overlay.amount = overlayAmount(currentOverlay);
    textureOverlay.setParameters(effectBlocks.overlay);
    textureOverlay.run(context, colourTargets[1].shaderResourceView.get(), overlay->view(),
                       colourTargets[2].renderTargetView.get());
    colorCorrect.render(context, colourTargets[2].shaderResourceView.get(), output);

    context->OMSetDepthStencilState(depthStates.depthAlwaysState.get(), 0);
}

void FrameRenderer::setPassObserver(PostPassObserver* observer) {
    for (PostProcessorBase* effect : {static_cast<PostProcessorBase*>(&depthOfField),
                                      static_cast<PostProcessorBase*>(&lensDistort),
                                      static_cast<PostProcessorBase*>(&colorCorrect),
                                      static_cast<PostProcessorBase*>(&textureOverlay),
                                      static_cast<PostProcessorBase*>(&bloom)}) {
        effect->passObserver = observer;
    }
}
