#pragma once
// The game's audio output over OpenAL Soft, with libsndfile reading the files
// (WAV, Ogg Vorbis, FLAC). Each sample owns one OpenAL source, so it has one
// playback at a time and playing it again takes that playback over. Music
// streams are fed by a thread of this layer; the game shares no data with it.
// Without an audio device every call does nothing.
#include "sound/AudioBackend.h"

#include <memory>

std::unique_ptr<CAudioBackend> createOpenAlAudio();
