// Feeds arbitrary bytes to the reader of recorded games (.vrp) and checks
// what must hold for any input: the reader never crashes or reads past the
// bytes, refuses with a reason, and whatever it accepts is within its bounds
// and writes back to the very same bytes.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "game/Recording.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    std::string error;
    const std::optional<Recording> recording = decodeRecording(bytes, &error);
    if (!recording) {
        if (error.empty())
            abort();
        return 0;
    }
    if (recording->frames.size() > MaxRecordedFrames || !std::isfinite(recording->carriedStepTime))
        abort();
    // Only the two known endings, and only a file that can say so says it.
    if (recording->end != RecordedEnd::Played && recording->end != RecordedEnd::CutShort)
        abort();
    if (recording->end == RecordedEnd::CutShort && recording->format < 3)
        abort();
    for (const RecordedFrame& frame : recording->frames) {
        if (!(frame.dt >= 0.0 && frame.dt <= MaxFrameTime) || frame.keys.size() > MaxKeysPerFrame)
            abort();
    }
    if (encodeRecording(*recording) != bytes)
        abort();
    return 0;
}
