// The show's sequencer: up to 64 (scene, start, end) entries, each rendered
// while start < t < end (strictly), in the order they were added.
#pragma once

namespace sunvale {

class Scene;

class Timeline {
public:
    static constexpr int kMaxEntries = 64;

    Timeline();
    // Deletes every scene still held (the timeline owns them).
    ~Timeline();
    Timeline(const Timeline&) = delete;
    Timeline& operator=(const Timeline&) = delete;

    // Stores (scene, start, end) at the end; takes ownership of scene, which
    // may be null. 0 when the timeline is full (nothing stored), else 1.
    // Times are neither checked nor sorted.
    int Add(Scene* scene, float start, float end);

    // Renders each entry with start < t < end and a scene, as
    // Render(t, start), in order of addition.
    void Update(float t);

    // Deletes every held scene and nulls its slot; entries stay counted.
    void DestroyScenes();

    int Count() const { return count; }
    Scene* SceneAt(int i) const { return (i >= 0 && i < count) ? scenes[i] : nullptr; }
    float StartAt(int i) const { return (i >= 0 && i < count) ? starts[i] : 0.0f; }
    float EndAt(int i) const { return (i >= 0 && i < count) ? ends[i] : 0.0f; }

private:
    Scene* scenes[kMaxEntries];
    float starts[kMaxEntries];
    float ends[kMaxEntries];
    int count;
};

}  // namespace sunvale
