// Tracker module playback for the sound library: libopenmpt renders the
// song directly at the mixing rate, once through, then reports its end.
#include "app/sound/TrackerSong.h"

#include <libopenmpt/libopenmpt.h>

#include <cstring>

namespace sunvale {

namespace {

// The module formats the library plays; libopenmpt knows many more, but
// loose detection of exotic formats must not claim other files.
bool IsTrackerFormat(openmpt_module* module)
{
    const char* type = openmpt_module_get_metadata(module, "type");
    if (type == nullptr) return false;
    const bool known = std::strcmp(type, "mod") == 0 || std::strcmp(type, "s3m") == 0 ||
                       std::strcmp(type, "xm") == 0 || std::strcmp(type, "it") == 0;
    openmpt_free_string(type);
    return known;
}

}  // namespace

TrackerSong* TrackerSong::Load(const void* data, size_t size, int mixRate)
{
    if (data == nullptr || size == 0) return nullptr;
    int error = 0;
    openmpt_module* module = openmpt_module_create_from_memory2(data, size, openmpt_log_func_silent,
                                                                nullptr, openmpt_error_func_ignore,
                                                                nullptr, &error, nullptr, nullptr);
    if (module == nullptr) return nullptr;
    if (!IsTrackerFormat(module)) {
        openmpt_module_destroy(module);
        return nullptr;
    }
    openmpt_module_set_repeat_count(module, 0);
    return new TrackerSong(module, mixRate);
}

TrackerSong::~TrackerSong() { openmpt_module_destroy(module); }

int TrackerSong::Render(float* out, int frames)
{
    int made = 0;
    while (!ended && made < frames) {
        const size_t n = openmpt_module_read_interleaved_float_stereo(
            module, rate, size_t(frames - made), out + size_t(made) * 2);
        if (n == 0) ended = true;
        made += int(n);
    }
    return made;
}

void TrackerSong::Rewind(int mixRate)
{
    rate = mixRate;
    openmpt_module_set_position_seconds(module, 0.0);
    ended = false;
}

double TrackerSong::DurationSeconds() const { return openmpt_module_get_duration_seconds(module); }

}  // namespace sunvale
