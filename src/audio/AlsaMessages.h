#pragma once

#include <string>

// ALSA reports the cause of a failure twice: an error number, and often a
// sentence of its own ("Unknown PCM nosuch") printed on stderr. These keep
// the sentence, per thread, so the caller can show both where it shows
// errors, and stderr stays ours.
namespace corvane::audio::detail {

// Installs the handler once per process; cheap after the first call.
void captureAlsaMessages();

// Forgets this thread's last captured sentence.
void clearAlsaMessage();

// "sentence: strerror" when ALSA said something on this thread since the
// last clear, else the strerror text alone; then forgets the sentence.
std::string alsaReason(int alsaError);

} // namespace corvane::audio::detail
