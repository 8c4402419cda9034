// Shared OpenGL textures made from the archive's images. The first request
// for a file name extracts, decodes and uploads it; later requests for the
// same name (letter case ignored) return the same texture and raise its
// reference count; the last release deletes it. Every call needs the OpenGL
// context current on the calling thread; there is no locking.
#pragma once

#include <cstdint>

#include "library/moxa/imagelib/ImageLoader.h"

namespace sunvale {

class CTexManager : public ImageLoader {
public:
    CTexManager() = default;
    // Frees the cache; textures still alive are not deleted (at process exit
    // the OpenGL context is already gone).
    ~CTexManager();
    CTexManager(const CTexManager&) = delete;
    CTexManager& operator=(const CTexManager&) = delete;

    // Texture handle of fileName in archiveName, or -1 after showing the
    // load-failure message box. mipmaps: 0 = level 0 only, other = full chain.
    // wrapMode: 0 GL_CLAMP, 1 GL_REPEAT, 2 GL_MIRRORED_REPEAT, other = none
    // set. A cached texture keeps the settings of its first load.
    int32_t LoadTexture(const char* archiveName, const char* fileName, int mipmaps, int wrapMode);

    // Drops one reference of texture; deletes it at the last. Unknown
    // handles, -1 among them, are ignored.
    void ReleaseTexture(int32_t texture);

    // Creates a texture from tightly packed pixels of 8, 24 or 32 bits (other
    // depths: -1, nothing uploaded). Leaves the texture bound and
    // GL_UNPACK_ALIGNMENT at 1.
    int32_t UploadTexture(const unsigned char* pixels, uint32_t width, uint32_t height,
                          uint32_t bitsPerPixel, int mipmaps, int wrapMode);

private:
    // One cached texture; a singly linked list, newest first.
    struct TexEntry {
        char* name;         // strdup of the file name as first requested
        int32_t texture;    // OpenGL texture name
        uint32_t refCount;  // unreleased LoadTexture results, 1 after creation
        TexEntry* next;     // older entry, or null
    };

    TexEntry* head_ = nullptr;
};

// The process-wide texture manager.
extern CTexManager g_texManager;

}  // namespace sunvale
