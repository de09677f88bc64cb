#include "platform/PadKeys.h"

#include <iterator>

void CPadKeys::press(int device, int control, int key, bool repeats, uint64_t now)
{
    HeldKey& entry = held[key];
    if (entry.controls.empty()) {
        entry.repeats = repeats;
        entry.pressPending = true;
        entry.nextRepeat = now + RepeatDelay;
    }
    entry.controls.insert({device, control});
}

void CPadKeys::dropControl(std::map<int, HeldKey>::iterator key, std::pair<int, int> control)
{
    key->second.controls.erase(control);
    // A press that went down and up between two polls still counts once.
    if (key->second.controls.empty() && !key->second.pressPending)
        held.erase(key);
}

void CPadKeys::release(int device, int control)
{
    for (auto key = held.begin(); key != held.end();) {
        auto next = std::next(key);
        if (key->second.controls.count({device, control}))
            dropControl(key, {device, control});
        key = next;
    }
}

void CPadKeys::releaseDevice(int device)
{
    for (auto key = held.begin(); key != held.end();) {
        auto next = std::next(key);
        for (auto control = key->second.controls.begin(); control != key->second.controls.end();) {
            if (control->first == device)
                control = key->second.controls.erase(control);
            else
                ++control;
        }
        if (key->second.controls.empty() && !key->second.pressPending)
            held.erase(key);
        key = next;
    }
}

void CPadKeys::releaseAll()
{
    for (auto key = held.begin(); key != held.end();) {
        key->second.controls.clear();
        key = key->second.pressPending ? std::next(key) : held.erase(key);
    }
}

bool CPadKeys::takePress(uint64_t now, int& key, bool& repeat)
{
    repeat = false;
    for (auto it = held.begin(); it != held.end(); ++it) {
        if (!it->second.pressPending)
            continue;
        key = it->first;
        it->second.pressPending = false;
        if (it->second.controls.empty())
            held.erase(it);
        return true;
    }
    for (auto& [code, entry] : held) {
        if (!entry.repeats || entry.controls.empty() || now < entry.nextRepeat)
            continue;
        key = code;
        repeat = true;
        // After a long stall (a slow frame) the repeats do not pile up: one
        // press, and the next a whole interval later.
        entry.nextRepeat = now + RepeatInterval;
        return true;
    }
    return false;
}

bool CPadKeys::isHeld(int key) const
{
    auto it = held.find(key);
    return it != held.end() && !it->second.controls.empty();
}
