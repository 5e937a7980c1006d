#include "AlsaMessages.h"

#include <alsa/asoundlib.h>

#include <cstdarg>
#include <cstdio>
#include <mutex>

namespace corvane::audio::detail {
namespace {

// A plain array, so capturing a message on the playing thread allocates nothing.
thread_local char lastMessage[256];

extern "C" void keepAlsaMessage(const char* /*file*/, int /*line*/, const char* /*function*/, int /*err*/,
                                const char* fmt, ...)
{
    va_list args;
    va_start(args, fmt);
    std::vsnprintf(lastMessage, sizeof lastMessage, fmt, args);
    va_end(args);
}

} // namespace

void captureAlsaMessages()
{
    static std::once_flag installed;
    std::call_once(installed, [] { snd_lib_error_set_handler(keepAlsaMessage); });
}

void clearAlsaMessage()
{
    lastMessage[0] = '\0';
}

std::string alsaReason(int alsaError)
{
    std::string text = lastMessage;
    lastMessage[0] = '\0';
    const char* why = snd_strerror(alsaError);
    if (text.empty())
        return why;
    return text + ": " + why;
}

} // namespace corvane::audio::detail
