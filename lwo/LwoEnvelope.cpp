#include "lwo/LwoEnvelope.h"

#include <algorithm>
#include <cmath>

namespace {

// A clip filter or an envelope's channel filter: name, flags, then the rest of
// the sub-chunk as the plug-in's own data.
std::unique_ptr<LwoPlugin> readFilter(CLwoReader& in, const LwoSubChunk& sub)
{
    auto filter = std::make_unique<LwoPlugin>();
    filter->name = in.readS0();
    filter->flags = in.readU2();
    filter->data = in.readBytes(sub.restAfter(in.tell()));
    return filter;
}

// The current values are the fallbacks: a sub-chunk that stops early keeps
// the defaults of the fields it leaves out.
void readEnveloped(CLwoReader& in, LwoEnvelopedValue& target)
{
    target.value = in.readF4(target.value);
    target.envelope = int(in.readVx(uint32_t(target.envelope)));
}

bool readSpan(CLwoReader& in, const LwoSubChunk& sub, LwoEnvelopeKey& key)
{
    key.shape = in.readId4();
    const size_t count = std::min<size_t>(sub.size >= 4 ? (sub.size - 4) / 4 : 0, 4);
    float values[4] = {};
    for (size_t i = 0; i < count; ++i)
        values[i] = in.readF4();
    if (key.shape == lwoId("TCB ")) {
        key.tension = values[0];
        key.continuity = values[1];
        key.bias = values[2];
    } else if (key.shape == lwoId("BEZ2") || key.shape == lwoId("BEZI") || key.shape == lwoId("HERM")) {
        std::copy(values, values + 4, key.parameters.begin());
    }
    return true;
}

bool readClipPart(CLwoReader& in, const LwoSubChunk& sub, LwoClip& clip)
{
    switch (sub.id) {
    // The image source.
    case lwoId("STIL"):
        clip.type = sub.id;
        clip.still.fileName = in.readS0();
        break;
    case lwoId("ISEQ"):
        clip.type = sub.id;
        clip.sequence.digits = in.readU1();
        clip.sequence.flags = in.readU1();
        clip.sequence.offset = in.readI2();
        in.readU2(); // reserved
        clip.sequence.start = in.readI2();
        clip.sequence.end = in.readI2();
        clip.sequence.prefix = in.readS0();
        clip.sequence.suffix = in.readS0();
        break;
    case lwoId("ANIM"):
        clip.type = sub.id;
        clip.animation.name = in.readS0();
        clip.animation.server = in.readS0();
        clip.animation.data = in.readBytes(sub.restAfter(in.tell()));
        break;
    case lwoId("XREF"):
        clip.type = sub.id;
        clip.reference.index = int(in.readU4());
        clip.reference.name = in.readS0();
        break;
    case lwoId("STCC"):
        clip.type = sub.id;
        clip.colourCycle.low = in.readI2();
        clip.colourCycle.high = in.readI2();
        clip.colourCycle.name = in.readS0();
        break;
    // How the image is shown.
    case lwoId("TIME"):
        clip.startTime = in.readF4();
        clip.duration = in.readF4();
        clip.frameRate = in.readF4();
        break;
    case lwoId("CONT"): readEnveloped(in, clip.contrast); break;
    case lwoId("BRIT"): readEnveloped(in, clip.brightness); break;
    case lwoId("SATR"): readEnveloped(in, clip.saturation); break;
    case lwoId("HUE "): readEnveloped(in, clip.hue); break;
    case lwoId("GAMM"): readEnveloped(in, clip.gamma); break;
    case lwoId("NEGA"): clip.negative = in.readU2(); break;
    case lwoId("IFLT"): clip.imageFilters.push_back(readFilter(in, sub)); break;
    case lwoId("PFLT"): clip.pixelFilters.push_back(readFilter(in, sub)); break;
    default: break;
    }
    return true;
}

} // namespace

void sortLwoEnvelopeKeys(LwoEnvelope& envelope)
{
    // Keys whose time is not a number go last, so the order stays a strict one.
    std::stable_sort(envelope.keys.begin(), envelope.keys.end(), [](const LwoEnvelopeKey& a, const LwoEnvelopeKey& b) {
        if (std::isnan(a.time))
            return false;
        return std::isnan(b.time) || a.time < b.time;
    });
}

std::unique_ptr<LwoEnvelope> readLwoEnvelope(CLwoReader& in, uint32_t size)
{
    const size_t start = in.tell();
    auto envelope = std::make_unique<LwoEnvelope>();
    envelope->index = int(in.readVx());
    if (in.failed() || in.tell() > start + size)
        return nullptr;
    // Keys are kept in file order while reading, so a SPAN describes the last
    // one; they are ordered by time at the end.
    const bool read = readLwoSubChunks(in, start, size, [&](const LwoSubChunk& sub) {
        switch (sub.id) {
        case lwoId("TYPE"): envelope->type = in.readU2(); break;
        case lwoId("PRE "): envelope->preBehaviour = in.readU2(); break;
        case lwoId("POST"): envelope->postBehaviour = in.readU2(); break;
        case lwoId("NAME"): envelope->name = in.readS0(); break;
        case lwoId("KEY "): {
            LwoEnvelopeKey key;
            key.time = in.readF4();
            key.value = in.readF4();
            envelope->keys.push_back(key);
            break;
        }
        case lwoId("SPAN"):
            if (envelope->keys.empty())
                return false;
            return readSpan(in, sub, envelope->keys.back());
        case lwoId("CHAN"): envelope->channelFilters.push_back(readFilter(in, sub)); break;
        default: break;
        }
        return true;
    });
    if (!read)
        return nullptr;
    sortLwoEnvelopeKeys(*envelope);
    return envelope;
}

std::unique_ptr<LwoClip> readLwoClip(CLwoReader& in, uint32_t size)
{
    const size_t start = in.tell();
    auto clip = std::make_unique<LwoClip>();
    clip->index = int(in.readU4());
    if (in.failed() || in.tell() > start + size)
        return nullptr;
    const bool read
        = readLwoSubChunks(in, start, size, [&](const LwoSubChunk& sub) { return readClipPart(in, sub, *clip); });
    return read ? std::move(clip) : nullptr;
}
