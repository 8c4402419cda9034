// The texture manager: a cache of OpenGL textures keyed by file name with
// reference counts, and the upload of decoded images with an optional
// box-filtered mip-map chain.
#include "library/moxa/imagelib/CTexManager.h"

#include <GL/gl.h>
#include <strings.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "app/ErrorBox.h"
#include "app/LoadProfile.h"

namespace sunvale {

namespace {

// GL_MIRRORED_REPEAT of ARB_texture_mirrored_repeat; the GL 1.1 header
// lacks it.
constexpr GLint kGlMirroredRepeat = 0x8370;

// Shows the load-failure message for fileName in archiveName.
void ShowLoadError(const char* archiveName, const char* fileName)
{
    static const char kFormat[] =
        "[CTexManager :: LoadTexture] Can't load file : RARFile %s FileName %s";
    const int length = std::snprintf(nullptr, 0, kFormat, archiveName, fileName);
    if (length < 0) return;
    std::vector<char> text(size_t(length) + 1);
    std::snprintf(text.data(), text.size(), kFormat, archiveName, fileName);
    ShowError(text.data());
}

// Next level of a mip-map chain: each texel the truncated per-channel
// average of the 2 x 2 block at (2x, 2y) of the level above; a side of one
// texel is used twice. Sides halve (integer division) and stay at least 1.
std::vector<unsigned char> HalveLevel(const unsigned char* level, uint32_t width, uint32_t height,
                                      uint32_t channels, uint32_t* halfWidth, uint32_t* halfHeight)
{
    const uint32_t w = width > 1 ? width / 2 : 1;
    const uint32_t h = height > 1 ? height / 2 : 1;
    std::vector<unsigned char> half(size_t(w) * h * channels);
    const size_t rowBytes = size_t(width) * channels;
    for (uint32_t y = 0; y < h; ++y) {
        const unsigned char* row0 = level + size_t(2 * y) * rowBytes;
        const unsigned char* row1 = height > 1 ? row0 + rowBytes : row0;
        for (uint32_t x = 0; x < w; ++x) {
            const size_t left = size_t(2 * x) * channels;
            const size_t right = width > 1 ? left + channels : left;
            unsigned char* out = half.data() + (size_t(y) * w + x) * channels;
            for (uint32_t c = 0; c < channels; ++c) {
                const unsigned sum =
                    unsigned(row0[left + c]) + row0[right + c] + row1[left + c] + row1[right + c];
                out[c] = static_cast<unsigned char>(sum >> 2);
            }
        }
    }
    *halfWidth = w;
    *halfHeight = h;
    return half;
}

// Sets GL_TEXTURE_WRAP_S and _T of the bound texture by wrapMode.
void SetWrapMode(int wrapMode)
{
    GLint wrap = 0;
    switch (wrapMode) {
    case 0:
        wrap = GL_CLAMP;
        break;
    case 1:
        wrap = GL_REPEAT;
        break;
    case 2:
        wrap = kGlMirroredRepeat;
        break;
    default:
        return;  // no wrap parameter set
    }
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, wrap);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, wrap);
}

}  // namespace

CTexManager::~CTexManager()
{
    while (head_) {
        TexEntry* next = head_->next;
        std::free(head_->name);
        delete head_;
        head_ = next;
    }
}

int32_t CTexManager::LoadTexture(const char* archiveName, const char* fileName, int mipmaps,
                                 int wrapMode)
{
    if (!archiveName) archiveName = "";
    if (!fileName) fileName = "";

    for (TexEntry* entry = head_; entry; entry = entry->next) {
        if (strcasecmp(entry->name, fileName) == 0) {
            ++entry->refCount;
            return entry->texture;
        }
    }

    std::unique_ptr<ImageData> image(LoadImage(fileName, archiveName));
    if (!image) {
        ShowLoadError(archiveName, fileName);
        return -1;
    }
    int32_t texture = -1;
    {
        LoadTimer timer(LoadStage::TextureUpload);
        texture = UploadTexture(image->pixels, image->width, image->height, image->bitsPerPixel,
                                mipmaps, wrapMode);
    }
    image.reset();
    if (texture == -1) return -1;

    char* name = strdup(fileName);
    if (!name) {
        const GLuint glName = static_cast<GLuint>(texture);
        glDeleteTextures(1, &glName);
        return -1;
    }
    head_ = new TexEntry{name, texture, 1, head_};
    return texture;
}

void CTexManager::ReleaseTexture(int32_t texture)
{
    TexEntry** link = &head_;
    while (*link && (*link)->texture != texture) link = &(*link)->next;
    TexEntry* entry = *link;
    if (!entry) return;

    if (--entry->refCount > 0) return;
    const GLuint glName = static_cast<GLuint>(texture);
    glDeleteTextures(1, &glName);
    *link = entry->next;
    std::free(entry->name);
    delete entry;
}

int32_t CTexManager::UploadTexture(const unsigned char* pixels, uint32_t width, uint32_t height,
                                   uint32_t bitsPerPixel, int mipmaps, int wrapMode)
{
    // Depth first, so that an unsupported one leaves no unused texture name.
    const uint32_t channels = bitsPerPixel / 8;
    GLenum format = 0;
    switch (channels) {
    case 1:
        format = GL_LUMINANCE;
        break;
    case 3:
        format = GL_RGB;
        break;
    case 4:
        format = GL_RGBA;
        break;
    default:
        return -1;
    }

    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    const GLint internalFormat = static_cast<GLint>(channels);
    glTexImage2D(GL_TEXTURE_2D, 0, internalFormat, GLsizei(width), GLsizei(height), 0, format,
                 GL_UNSIGNED_BYTE, pixels);

    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    SetWrapMode(wrapMode);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER,
                    mipmaps ? GL_LINEAR_MIPMAP_LINEAR : GL_LINEAR);
    glTexEnvf(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);

    if (mipmaps && pixels) {
        // Level 0 belongs to the caller; each later level replaces the one
        // it was built from.
        std::vector<unsigned char> level;
        const unsigned char* previous = pixels;
        uint32_t w = width;
        uint32_t h = height;
        for (GLint number = 1; w > 1 || h > 1; ++number) {
            uint32_t halfWidth = 0;
            uint32_t halfHeight = 0;
            level = HalveLevel(previous, w, h, channels, &halfWidth, &halfHeight);
            w = halfWidth;
            h = halfHeight;
            previous = level.data();
            glTexImage2D(GL_TEXTURE_2D, number, internalFormat, GLsizei(w), GLsizei(h), 0, format,
                         GL_UNSIGNED_BYTE, previous);
        }
    }
    return static_cast<GLint>(name);
}

}  // namespace sunvale
