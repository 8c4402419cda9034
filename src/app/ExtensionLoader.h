// OpenGL and window-system extensions: the show tests a fixed set of them
// right after its context is made current and records per group whether it
// is usable. The show's drawing uses none of them (all of it is OpenGL 1.1),
// so a context that reports every group missing shows the same picture.
#pragma once

namespace sunvale {

// Resolves one entry point by name (SDL_GL_GetProcAddress for windows,
// eglGetProcAddress offscreen); may return null.
using ProcAddressLoader = void* (*)(const char* name);

// Returns the window system's extension string (GLX's or EGL's) for the
// current context, or null. Stands in for wglGetExtensionsStringARB.
using WindowSystemExtensionsQuery = const char* (*)();

// Token rule for "GL_" names: name must occur in list delimited by the start
// of the string or a space before it and a space or the end after it. Empty
// names and names with a space never match; a null list matches nothing.
bool ExtensionInList(const char* list, const char* name);

// Substring rule for window-system ("WGL_") names.
bool ExtensionInWindowSystemList(const char* list, const char* name);

class ExtensionLoader {
public:
    ExtensionLoader(ProcAddressLoader loader, WindowSystemExtensionsQuery query)
        : loader_(loader), query_(query)
    {}

    // Each returns its group's result as documented in the .cpp; they run in
    // this order: multitexture, shader objects, secondary colour, separate
    // specular colour, register combiners, rectangle textures, vertex
    // programs, pbuffers, render texture.
    int LoadMultitexture();
    int LoadShaderObjects();
    int LoadSecondaryColor();
    int HasSeparateSpecularColor();
    int LoadRegisterCombiners();
    int HasTextureRectangle();
    int LoadVertexProgram();
    int LoadPbuffer();
    int LoadRenderTexture();

    bool HasGlExtension(const char* name) const;
    bool HasWindowSystemExtension(const char* name);

private:
    // Fetches count names into the entry-point table; true when all non-null.
    bool Fetch(const char* const* names, int count);
    void* Fetch(const char* name);

    ProcAddressLoader loader_;
    WindowSystemExtensionsQuery query_;
    bool queryCached_ = false;
};

// The entry-point table, one slot per fetched name; null until fetched.
void* ExtensionEntryPoint(const char* name);

}  // namespace sunvale
