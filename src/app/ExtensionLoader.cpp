// The extension groups of the show's context and their entry points.
#include "app/ExtensionLoader.h"

#include <GL/gl.h>

#include <cstring>
#include <mutex>
#include <string>
#include <unordered_map>

namespace sunvale {

namespace {

constexpr GLenum kMaxTextureUnitsArb = 0x84E2;
constexpr GLenum kMaxGeneralCombinersNv = 0x854D;

// Entry points fetched so far, by name. Only the worker thread fetches; the
// mutex keeps the table sound should a test fetch from another thread.
std::mutex g_tableMutex;
std::unordered_map<std::string, void*>& EntryTable()
{
    static std::unordered_map<std::string, void*> table;
    return table;
}

constexpr const char* kMultitextureProcs[] = {"glActiveTextureARB",   "glClientActiveTextureARB",
                                              "glMultiTexCoord1fARB", "glMultiTexCoord2fARB",
                                              "glMultiTexCoord2iARB", "glMultiTexCoord2fvARB",
                                              "glMultiTexCoord3fARB", "glMultiTexCoord3fvARB",
                                              "glMultiTexCoord4fARB", "glMultiTexCoord4iARB"};

constexpr const char* kShaderObjectProcs[] = {"glCreateProgramObjectARB",
                                              "glCreateShaderObjectARB",
                                              "glCompileShaderARB",
                                              "glLinkProgramARB",
                                              "glGetInfoLogARB",
                                              "glDeleteObjectARB",
                                              "glUseProgramObjectARB",
                                              "glShaderSourceARB",
                                              "glAttachObjectARB",
                                              "glGetObjectParameterivARB",
                                              "glGetUniformLocationARB",
                                              "glUniform4fARB",
                                              "glUniform2fARB",
                                              "glUniform1fARB",
                                              "glUniform1iARB"};

constexpr const char* kSecondaryColorProcs[] = {"glSecondaryColor3fEXT", "glSecondaryColor3fvEXT"};

constexpr const char* kRegisterCombinerProcs[] = {"glCombinerParameterfvNV",
                                                  "glCombinerParameterivNV",
                                                  "glCombinerParameterfNV",
                                                  "glCombinerParameteriNV",
                                                  "glCombinerInputNV",
                                                  "glCombinerOutputNV",
                                                  "glFinalCombinerInputNV",
                                                  "glGetCombinerInputParameterfvNV",
                                                  "glGetCombinerInputParameterivNV",
                                                  "glGetCombinerOutputParameterfvNV",
                                                  "glGetCombinerOutputParameterivNV",
                                                  "glGetFinalCombinerInputParameterfvNV",
                                                  "glGetFinalCombinerInputParameterivNV"};

constexpr const char* kVertexProgramProcs[] = {"glLoadProgramNV",        "glGenProgramsNV",
                                               "glBindProgramNV",        "glTrackMatrixNV",
                                               "glProgramParameter4fNV", "glProgramParameter4fvNV"};

constexpr const char* kPbufferProcs[] = {"wglCreatePbufferARB", "wglGetPbufferDCARB",
                                         "wglReleasePbufferDCARB", "wglDestroyPbufferARB",
                                         "wglQueryPbufferARB"};

constexpr const char* kPixelFormatProcs[] = {
    "wglChoosePixelFormatARB", "wglGetPixelFormatAttribivARB", "wglGetPixelFormatAttribfvARB"};

constexpr const char* kRenderTextureProcs[] = {"wglBindTexImageARB", "wglReleaseTexImageARB"};

template <size_t N>
constexpr int CountOf(const char* const (&)[N])
{
    return static_cast<int>(N);
}

}  // namespace

bool ExtensionInList(const char* list, const char* name)
{
    if (!name || !*name || std::strchr(name, ' ')) return false;
    if (!list) return false;
    const size_t length = std::strlen(name);
    for (const char* at = std::strstr(list, name); at; at = std::strstr(at + 1, name)) {
        const bool startsToken = (at == list) || (at[-1] == ' ');
        const char after = at[length];
        if (startsToken && (after == ' ' || after == '\0')) return true;
    }
    return false;
}

bool ExtensionInWindowSystemList(const char* list, const char* name)
{
    return list && name && std::strstr(list, name) != nullptr;
}

void* ExtensionEntryPoint(const char* name)
{
    std::lock_guard<std::mutex> lock(g_tableMutex);
    auto it = EntryTable().find(name);
    return it == EntryTable().end() ? nullptr : it->second;
}

void* ExtensionLoader::Fetch(const char* name)
{
    void* proc = loader_ ? loader_(name) : nullptr;
    std::lock_guard<std::mutex> lock(g_tableMutex);
    EntryTable()[name] = proc;
    return proc;
}

bool ExtensionLoader::Fetch(const char* const* names, int count)
{
    bool all = true;
    for (int i = 0; i < count; ++i) all = (Fetch(names[i]) != nullptr) && all;
    return all;
}

bool ExtensionLoader::HasGlExtension(const char* name) const
{
    return ExtensionInList(reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS)), name);
}

// The window system's query is looked up on first use and again on every
// test while it is missing.
bool ExtensionLoader::HasWindowSystemExtension(const char* name)
{
    if (!query_) return false;
    queryCached_ = true;
    return ExtensionInWindowSystemList(query_(), name);
}

// GL_MAX_TEXTURE_UNITS_ARB, or 0 without the extension.
int ExtensionLoader::LoadMultitexture()
{
    if (!HasGlExtension("GL_ARB_multitexture")) return 0;
    Fetch(kMultitextureProcs, CountOf(kMultitextureProcs));
    GLint units = 0;
    glGetIntegerv(kMaxTextureUnitsArb, &units);
    return units;
}

// 1, or 0 when either extension is missing (then nothing is fetched).
int ExtensionLoader::LoadShaderObjects()
{
    if (!HasGlExtension("GL_ARB_shading_language_100")) return 0;
    if (!HasGlExtension("GL_ARB_shader_objects")) return 0;
    Fetch(kShaderObjectProcs, CountOf(kShaderObjectProcs));
    return 1;
}

int ExtensionLoader::LoadSecondaryColor()
{
    if (!HasGlExtension("GL_EXT_secondary_color")) return 0;
    Fetch(kSecondaryColorProcs, CountOf(kSecondaryColorProcs));
    return 1;
}

int ExtensionLoader::HasSeparateSpecularColor()
{
    return HasGlExtension("GL_EXT_separate_specular_color") ? 1 : 0;
}

// GL_MAX_GENERAL_COMBINERS_NV, or 0 without the extension.
int ExtensionLoader::LoadRegisterCombiners()
{
    if (!HasGlExtension("GL_NV_register_combiners")) return 0;
    Fetch(kRegisterCombinerProcs, CountOf(kRegisterCombinerProcs));
    GLint combiners = 0;
    glGetIntegerv(kMaxGeneralCombinersNv, &combiners);
    return combiners;
}

int ExtensionLoader::HasTextureRectangle()
{
    return HasGlExtension("GL_NV_texture_rectangle") ? 1 : 0;
}

int ExtensionLoader::LoadVertexProgram()
{
    if (!HasGlExtension("GL_NV_vertex_program")) return 0;
    Fetch(kVertexProgramProcs, CountOf(kVertexProgramProcs));
    return 1;
}

// 0 when WGL_ARB_pbuffer is missing, when any of its five entry points is
// null or when WGL_ARB_pixel_format is missing; otherwise 1 when the
// extension query and the first two pbuffer entry points exist.
int ExtensionLoader::LoadPbuffer()
{
    if (!HasWindowSystemExtension("WGL_ARB_pbuffer")) return 0;
    if (!Fetch(kPbufferProcs, CountOf(kPbufferProcs))) return 0;
    if (!HasWindowSystemExtension("WGL_ARB_pixel_format")) return 0;
    Fetch(kPixelFormatProcs, CountOf(kPixelFormatProcs));
    return (query_ && ExtensionEntryPoint("wglCreatePbufferARB") &&
            ExtensionEntryPoint("wglGetPbufferDCARB"))
               ? 1
               : 0;
}

int ExtensionLoader::LoadRenderTexture()
{
    if (!HasWindowSystemExtension("WGL_ARB_render_texture")) return 0;
    return Fetch(kRenderTextureProcs, CountOf(kRenderTextureProcs)) ? 1 : 0;
}

}  // namespace sunvale
