#include "engine/batch_run.h"

#include "engine/decode_ahead.h"
#include "core/paths.h"
#include "core/error_report.h"
#include "core/picture.h"
#include "core/pixel_memory.h"

#include <atomic>

#include <cmath>
#include <memory>

namespace lumivex {

void BatchRun::run(AdjustmentKind kind, RunHost &host)
{
    const AdjustmentInfo &info = adjustmentInfo(kind);
    const RunSteps steps = runSteps(kind);
    StepGuard guard(host.reporter(), handlerLocation("Form1", info.startHandler));

    bool empty = false;
    guard(steps.emptyTest, [&] { empty = host.itemCount() == 0; });
    if (empty) {
        guard(steps.emptyMessage(), [&] { host.showMessage(QStringLiteral("Please add files first.")); });
        return;
    }

    // The results window is first touched here, not for an empty list.
    ResultList &results = host.results();
    guard(steps.clearResults, [&] { results.clearItems(); });

    // Counts are 16-bit: a longer list fails this step, as any count overflow does.
    int count = 0;
    std::atomic<int> sliderNow{0};
    std::unique_ptr<DecodeAhead> decoder;
    guard(steps.loop, [&] {
        count = checkedNarrow<std::int16_t>(host.itemCount());
        QStringList paths;
        for (int row = 1; row <= count; ++row)
            paths << host.itemText(row);
        const int workers = m_decodeWorkers > 0 ? m_decodeWorkers : DecodeAhead::defaultWorkers();
        DecodeAhead::Prepare prepare;
        if (info.usesSourceCopy) {
            // The filters are the costly part: workers run them ahead with the slider's value as
            // it stands, and an image's own turn checks that value still holds.
            sliderNow = host.sliderValue(kind);
            prepare = [kind, &sliderNow](const QImage &decoded, int *preparedFor) {
                const int value = sliderNow.load();
                QImage adjusted = allocatePixelImage(decoded.size());
                copyPictureInfo(decoded, adjusted);
                applyNeighbourhoodInto(kind, decoded.constBits(),
                                       PixelView{decoded.width(), decoded.height(), adjusted.bits()}, value);
                *preparedFor = value;
                return adjusted;
            };
        }
        decoder = std::make_unique<DecodeAhead>(paths, workers, workers + 1, prepare);
    });

    for (int i = 1; i <= count; ++i) {
        QImage working;
        QImage prepared;
        int preparedFor = 0;
        int w = 0, h = 0;
        int v = 0;
        PixelView buffer;
        std::int32_t byteCount = 0;

        guard(steps.busy, [&] { host.setBusy(true); });
        guard(steps.progress, [&] {
            host.setProgress(int(std::nearbyint(double(i) / double(host.itemCount()) * 100.0)));
        });
        guard(steps.yield, [&] { host.yieldToEvents(); });
        if (host.abandoned())
            return;
        if (info.usesSourceCopy)
            sliderNow = host.sliderValue(kind); // what the pictures still ahead will be prepared with
        guard(steps.decode, [&] { working = decoder->take(i - 1, &prepared, &preparedFor); });
        // An image that failed to decode stays empty through the remaining steps: it gets its
        // item and an empty result, never the previous image's pixels.
        QSize size;
        guard(steps.header, [&] { size = working.size(); });
        guard(steps.width, [&] { w = std::max(0, size.width()); });
        guard(steps.height, [&] { h = std::max(0, size.height()); });
        guard(steps.sizeBuffer, [&] {
            byteCount = checkedMul<std::int32_t>(checkedMul<std::int32_t>(w, 4), h);
            // The adjustment works in the picture's own pixel memory: no copy in, none back.
            buffer = PixelView{w, h, byteCount > 0 ? working.bits() : nullptr};
            if (byteCount > 0 && working.bytesPerLine() != w * 4)
                throw StepFailure(QStringLiteral("Unexpected row layout"));
        });
        // For the filters the decoded picture itself is the untouched source, and the result is
        // written into a picture of its own: there is nothing to copy.
        if (info.usesSourceCopy)
            guard(steps.sizeSource, [] {});
        guard(steps.fillBuffer, [] {});
        if (info.usesSourceCopy)
            guard(steps.fillSource, [] {});
        guard(steps.readSlider, [&] { v = host.sliderValue(kind); });
        guard(steps.pixelWork, [&] {
            if (!buffer.bytes)
                return;
            if (!info.usesSourceCopy) {
                applyAdjustment(kind, nullptr, buffer, v);
                return;
            }
            if (prepared.isNull() || preparedFor != v) {
                prepared = allocatePixelImage(working.size());
                copyPictureInfo(working, prepared);
                applyNeighbourhoodInto(kind, working.constBits(), PixelView{w, h, prepared.bits()}, v);
            }
            working = prepared;
            prepared = QImage();
        });
        guard(steps.writeBack, [] {});
        guard(steps.repaint(), [] {});
        QImage frozen;
        guard(steps.freeze(), [&] { frozen = freezePicture(working); });
        guard(steps.resultWord(), [&] { results.resultWord = QString::fromLatin1(info.resultWord); });
        guard(steps.addItem(), [&] { results.addItem(GetFileNameFromPath(host.itemText(i))); });
        ResultPicture result(frozen, frozen.isNull()
                                         ? QStringLiteral("The picture could not be read: ") + host.itemText(i)
                                         : QString());
        bool first = false;
        guard(steps.firstTest(), [&] { first = i == 1; });
        // A result that does not fit in memory is reported with its file, not left to the system
        // to end the program.
        auto store = [&](int index) {
            try {
                results.setPicture(index, result);
            } catch (const StepFailure &failure) {
                throw StepFailure(failure.description() + QStringLiteral(": ") + host.itemText(i));
            }
        };
        if (first) {
            guard(steps.storeFirst(), [&] { store(0); });
        } else {
            guard(steps.createSlot(), [&] { results.create(i - 1); });
            guard(steps.storeSlot(), [&] { store(i - 1); });
        }
        guard(steps.next(), [] {});
    }
    decoder.reset();

    guard(steps.defaultPointer(), [&] { host.setBusy(false); });
    guard(steps.progressZero(), [&] { host.setProgress(0); });
    guard(steps.totalImages(), [&] {
        results.mTotalImages = checkedNarrow<std::int16_t>(host.itemCount() - 1);
    });
    guard(steps.afterPicture(), [&] { host.setAfterPicture(results.picture(0).image()); });
    guard(steps.beforePicture(), [&] {
        // A first file that could not be read was reported at its decode step already.
        const bool unreadable = results.exists(0) && results.picture(0).isEmpty();
        host.setBeforePicture(unreadable ? QImage() : decodePicture(host.itemText(1)));
    });
    guard(steps.showResults(), [&] { host.showResultsWindow(); });
    guard(steps.hideMain(), [&] { host.hideMainWindow(); });
}

} // namespace lumivex
