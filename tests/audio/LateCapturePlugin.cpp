// An ALSA capture device with a clock, for the overrun tests: it makes
// frames at its rate from the moment it starts, whether or not anyone reads
// them, and delivers the bytes of its infile (a FIFO the test feeds). When
// the feeding stalls, the reader stalls inside the read, the clock runs on,
// and once more than a buffer of frames waits unread the device reports an
// overrun, as a sound card does. ALSA loads it by the configuration
//   pcm_type.corvane_late { lib "PATH/libasound_module_pcm_corvane_late.so" }
//   pcm.NAME { type corvane_late infile "PATH" }
#include <alsa/asoundlib.h>
#include <alsa/pcm_external.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <unistd.h>

namespace {

struct LateCapture {
    snd_pcm_ioplug_t io{};
    std::string infile;
    int fd = -1;
    int ready[2] = {-1, -1}; // always readable: the device never says "wait" through poll
    std::chrono::steady_clock::time_point startedAt;
    snd_pcm_uframes_t delivered = 0;
};

LateCapture* self(snd_pcm_ioplug_t* io)
{
    return static_cast<LateCapture*>(io->private_data);
}

snd_pcm_uframes_t elapsedFrames(const LateCapture* c)
{
    const std::chrono::duration<double> t = std::chrono::steady_clock::now() - c->startedAt;
    return static_cast<snd_pcm_uframes_t>(t.count() * c->io.rate);
}

int start(snd_pcm_ioplug_t* io)
{
    LateCapture* c = self(io);
    c->startedAt = std::chrono::steady_clock::now();
    c->delivered = 0;
    return 0;
}

int stop(snd_pcm_ioplug_t*)
{
    return 0;
}

snd_pcm_sframes_t pointer(snd_pcm_ioplug_t* io)
{
    LateCapture* c = self(io);
    const snd_pcm_uframes_t made = elapsedFrames(c);
    if (made > c->delivered + io->buffer_size)
        return -EPIPE;
    // The frames ready to read, never more than a buffer.
    return static_cast<snd_pcm_sframes_t>(made % io->buffer_size);
}

snd_pcm_sframes_t transfer(snd_pcm_ioplug_t* io, const snd_pcm_channel_area_t* areas, snd_pcm_uframes_t offset,
                           snd_pcm_uframes_t size)
{
    LateCapture* c = self(io);
    const auto frameBytes =
        static_cast<std::size_t>(snd_pcm_format_physical_width(io->format) / 8) * std::size_t{io->channels};
    auto* to = static_cast<char*>(areas[0].addr) + (areas[0].first + areas[0].step * offset) / 8;
    std::size_t want = size * frameBytes;
    while (want > 0) {
        const ssize_t got = ::read(c->fd, to, want);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0) {
            std::memset(to, 0, want); // past the end: silence
            break;
        }
        to += got;
        want -= static_cast<std::size_t>(got);
    }
    c->delivered += size;
    return static_cast<snd_pcm_sframes_t>(size);
}

int close(snd_pcm_ioplug_t* io)
{
    LateCapture* c = self(io);
    if (c->fd >= 0)
        ::close(c->fd);
    ::close(c->ready[0]);
    ::close(c->ready[1]);
    delete c;
    return 0;
}

const snd_pcm_ioplug_callback_t kCallbacks = [] {
    snd_pcm_ioplug_callback_t cb{};
    cb.start = start;
    cb.stop = stop;
    cb.pointer = pointer;
    cb.transfer = transfer;
    cb.close = close;
    return cb;
}();

int constrain(snd_pcm_ioplug_t* io)
{
    static const unsigned accesses[] = {SND_PCM_ACCESS_RW_INTERLEAVED};
    static const unsigned formats[] = {SND_PCM_FORMAT_S16_LE, SND_PCM_FORMAT_S32_LE, SND_PCM_FORMAT_FLOAT_LE};
    int err = 0;
    if ((err = snd_pcm_ioplug_set_param_list(io, SND_PCM_IOPLUG_HW_ACCESS, 1, accesses)) < 0 ||
        (err = snd_pcm_ioplug_set_param_list(io, SND_PCM_IOPLUG_HW_FORMAT, 3, formats)) < 0 ||
        (err = snd_pcm_ioplug_set_param_minmax(io, SND_PCM_IOPLUG_HW_CHANNELS, 1, 8)) < 0 ||
        (err = snd_pcm_ioplug_set_param_minmax(io, SND_PCM_IOPLUG_HW_RATE, 8000, 384000)) < 0 ||
        (err = snd_pcm_ioplug_set_param_minmax(io, SND_PCM_IOPLUG_HW_PERIOD_BYTES, 64, 1 << 20)) < 0 ||
        (err = snd_pcm_ioplug_set_param_minmax(io, SND_PCM_IOPLUG_HW_PERIODS, 2, 64)) < 0)
        return err;
    return 0;
}

} // namespace

extern "C" SND_PCM_PLUGIN_DEFINE_FUNC(corvane_late)
{
    (void)root;
    std::string infile;
    snd_config_iterator_t i;
    snd_config_iterator_t next;
    snd_config_for_each(i, next, conf)
    {
        snd_config_t* n = snd_config_iterator_entry(i);
        const char* id = nullptr;
        if (snd_config_get_id(n, &id) < 0)
            continue;
        if (std::strcmp(id, "comment") == 0 || std::strcmp(id, "type") == 0 || std::strcmp(id, "hint") == 0)
            continue;
        const char* value = nullptr;
        if (std::strcmp(id, "infile") == 0 && snd_config_get_string(n, &value) == 0) {
            infile = value;
            continue;
        }
        return -EINVAL;
    }
    if (infile.empty() || stream != SND_PCM_STREAM_CAPTURE)
        return -EINVAL;
    auto* c = new LateCapture;
    c->infile = infile;
    c->fd = ::open(infile.c_str(), O_RDONLY);
    if (c->fd < 0 || ::pipe(c->ready) < 0) {
        const int err = -errno;
        if (c->fd >= 0)
            ::close(c->fd);
        delete c;
        return err;
    }
    const char byte = 1;
    (void)::write(c->ready[1], &byte, 1);
    c->io.version = SND_PCM_IOPLUG_VERSION;
    c->io.name = "corvane late capture";
    c->io.callback = &kCallbacks;
    c->io.private_data = c;
    c->io.poll_fd = c->ready[0];
    c->io.poll_events = POLLIN;
    c->io.mmap_rw = 0;
    int err = snd_pcm_ioplug_create(&c->io, name, stream, mode);
    if (err < 0) {
        ::close(c->fd);
        ::close(c->ready[0]);
        ::close(c->ready[1]);
        delete c;
        return err;
    }
    if ((err = constrain(&c->io)) < 0) {
        snd_pcm_ioplug_delete(&c->io);
        return err;
    }
    *pcmp = c->io.pcm;
    return 0;
}

extern "C" {
SND_PCM_PLUGIN_SYMBOL(corvane_late);
}
