#include "engine/graphics/pixel_data_gl.h"

#include <GLES2/gl2.h>
#include <GLES2/gl2ext.h>
#include <malloc.h>

#include <algorithm>
#include <cstring>
#include <mutex>
#include <set>

#include "engine/graphics/batcher.h"
#include "engine/graphics/pixel_data_rle.h"

namespace Voke {

const uint32_t PixelDataGL::NoFramebuffer = ~0u;

namespace {

// The live-texture registry. Constructors and destructors run on the loader
// thread as well as on the main thread; the main thread walks it in
// CollectUnused and ReleaseAll. Guarded by g_registryLock.
std::mutex g_registryLock;
std::set<PixelDataGL*>& Registry()
{
    static std::set<PixelDataGL*> registry;
    return registry;
}

unsigned g_collections = 0;  // main thread only
bool g_keepUploads = false;  // set before any texture exists, read on the main thread

// S3TC formats are not in the ES 2.0 headers' core set.
constexpr GLenum kCompressedDXT1 = 0x83F0;  // GL_COMPRESSED_RGB_S3TC_DXT1_EXT
constexpr GLenum kCompressedDXT5 = 0x83F3;  // GL_COMPRESSED_RGBA_S3TC_DXT5_EXT

// Four-byte pixels are kept in memory as blue, green, red, alpha. Where the
// driver takes that order they are uploaded as they are: no swap, and a
// software rasteriser keeps such textures (and targets) on its fast 8-bit
// path, which the red-first order leaves.
GLenum FourByteFormat() { return GetGLCaps()->bgra ? GL_BGRA_EXT : GL_RGBA; }

void SetEnums(PixelDataGL::UploadData& u, uint32_t format)
{
    u.format = 0;
    u.type = 0;
    switch (format) {
    case A8: u.internalFormat = u.format = GL_ALPHA; u.type = GL_UNSIGNED_BYTE; break;
    case RGB565: u.internalFormat = u.format = GL_RGB; u.type = GL_UNSIGNED_SHORT_5_6_5; break;
    case RGB888: u.internalFormat = u.format = GL_RGB; u.type = GL_UNSIGNED_BYTE; break;
    case RGBA8888:
    case RLE: u.internalFormat = u.format = FourByteFormat(); u.type = GL_UNSIGNED_BYTE; break;
    case DXT1: u.internalFormat = kCompressedDXT1; break;
    case DXT5: u.internalFormat = kCompressedDXT5; break;
    case PVRTC2_RGB: u.internalFormat = 0x8C01; break;
    case PVRTC2_RGBA: u.internalFormat = 0x8C03; break;
    case PVRTC4_RGB: u.internalFormat = 0x8C00; break;
    case PVRTC4_RGBA: u.internalFormat = 0x8C02; break;
    case ETC1: u.internalFormat = 0x8D64; break;  // GL_ETC1_RGB8_OES
    default: u.internalFormat = u.format = GL_RGB; u.type = GL_UNSIGNED_BYTE; break;
    }
}

// Bytes per pixel of an uncompressed upload.
uint64_t PixelBytes(uint32_t format, uint32_t type)
{
    if (type == GL_UNSIGNED_SHORT_5_6_5 || type == GL_UNSIGNED_SHORT_4_4_4_4 || type == GL_UNSIGNED_SHORT_5_5_5_1)
        return 2;
    switch (format) {
    case GL_ALPHA:
    case GL_LUMINANCE: return 1;
    case GL_LUMINANCE_ALPHA: return 2;
    case GL_RGB: return 3;
    default: return 4;
    }
}

// Bytes of a compressed level of W x H (powers of two): whole 4 x 4 blocks
// for S3TC and ETC1, and at least the 8 x 8 (4 bpp) or 16 x 8 (2 bpp) that
// PVRTC needs.
uint32_t CompressedSize(uint32_t format, int W, int H)
{
    uint32_t blocks = uint32_t((W + 3) / 4) * uint32_t((H + 3) / 4);
    switch (format) {
    case DXT1:
    case ETC1: return blocks * 8;
    case DXT5: return blocks * 16;
    case PVRTC4_RGB:
    case PVRTC4_RGBA: return uint32_t(std::max(W, 8)) * uint32_t(std::max(H, 8)) / 2;
    case PVRTC2_RGB:
    case PVRTC2_RGBA: return uint32_t(std::max(W, 16)) * uint32_t(std::max(H, 8)) / 4;
    default: return 0;
    }
}

}  // namespace

int NextPowerOfTwo(int n)
{
    int p = 1;
    while (p < n && p < (1 << 30)) p <<= 1;
    return p;
}

void PixelDataGL::Init(int width, int height, uint32_t format)
{
    m_width = std::max(width, 0);
    m_height = std::max(height, 0);
    m_format = format;
    m_paddedWidth = NextPowerOfTwo(m_width);
    m_paddedHeight = NextPowerOfTwo(m_height);
    m_texScaleU = 1.0f / float(m_paddedWidth);
    m_texScaleV = 1.0f / float(m_paddedHeight);
    m_upload = new UploadData;
    m_upload->width = m_paddedWidth;
    m_upload->height = m_paddedHeight;
    SetEnums(*m_upload, format);
    std::lock_guard<std::mutex> lock(g_registryLock);
    Registry().insert(this);
    m_registered = true;
}

PixelDataGL::PixelDataGL(int width, int height, uint32_t format)
{
    if (format == RLE || !IsValidFormat(format)) format = RGB888;
    Init(width, height, format);
    m_pitch = GetFormatInfo(format).bytesPerPixel * uint32_t(m_width);
    if (uint32_t size = CompressedSize(format, m_paddedWidth, m_paddedHeight)) {
        m_upload->data = new uint8_t[size]();
        m_upload->size = size;
    }
}

PixelDataGL::PixelDataGL(PixelData& source)
{
    uint32_t format = source.GetFormat();
    bool readable = format <= RLE;
    // Run-length pixels become RGBA8888.
    Init(source.GetWidth(), source.GetHeight(), !readable ? RGB888 : format == RLE ? RGBA8888 : format);
    m_pitch = GetFormatInfo(m_format).bytesPerPixel * uint32_t(m_width);
    std::memcpy(m_colorKey, source.GetColorKey(), 4);
    m_upload->source = &source;
    if (readable && m_width > 0 && m_height > 0) {
        m_upload->data = ConvertForUpload(source, m_paddedWidth, m_paddedHeight);
        m_upload->size = uint32_t(m_paddedWidth) * uint32_t(m_paddedHeight) * GetFormatInfo(m_format).bytesPerPixel;
    }
}

SmartPtr<PixelDataGL> PixelDataGL::CreateScreen(int width, int height)
{
    SmartPtr<PixelDataGL> screen(new PixelDataGL);
    screen->m_format = RGB565;
    screen->m_framebuffer = 0;
    screen->m_uploaded = true;  // there is no texture to make: never upload
    screen->ResizeScreen(width, height);
    return screen;
}

void PixelDataGL::ResizeScreen(int width, int height)
{
    m_width = std::max(width, 0);
    m_height = std::max(height, 0);
    m_pitch = 2 * uint32_t(m_width);
}

PixelDataGL::~PixelDataGL()
{
    if (m_texture) {
        if (Batcher* batcher = Batcher::Get()) batcher->CheckTexture(this);
        DeleteNames();
    }
    ReleaseRecord();
    if (m_registered) {
        std::lock_guard<std::mutex> lock(g_registryLock);
        Registry().erase(this);
    }
}

void PixelDataGL::DeleteNames()
{
    if (m_framebuffer != NoFramebuffer && m_framebuffer != 0) {
        GLuint fb = m_framebuffer;
        glDeleteFramebuffers(1, &fb);
        m_framebuffer = NoFramebuffer;
    }
    if (m_texture) {
        GLuint tex = m_texture;
        glDeleteTextures(1, &tex);
    }
    m_texture = 0;
    m_uploaded = false;
}

void PixelDataGL::ReleaseRecord()
{
    if (!m_upload) return;
    const PixelData* source = m_upload->source.Get();
    if (!source || source->GetData() != m_upload->data) delete[] m_upload->data;
    delete m_upload;
    m_upload = nullptr;
}

void PixelDataGL::SetUploadFormat565()
{
    m_format = RGB565;
    m_pitch = 2 * uint32_t(m_width);
    if (m_upload) {
        m_upload->format = m_upload->internalFormat = GL_RGB;
        m_upload->type = GL_UNSIGNED_SHORT_5_6_5;
    }
}

std::vector<bool> PixelDataGL::FindOpaqueRows(int x, int y, int w, int h) const
{
    return FindRowsOfAlpha(x, y, w, h, 0xFF);
}

std::vector<bool> PixelDataGL::FindClearRows(int x, int y, int w, int h) const
{
    return FindRowsOfAlpha(x, y, w, h, 0);
}

std::vector<bool> PixelDataGL::FindRowsOfAlpha(int x, int y, int w, int h, uint8_t alpha) const
{
    std::vector<bool> rows;
    if (!m_upload || !m_upload->data || m_upload->format == 0 || m_upload->format == GL_ALPHA) return rows;
    if (x < 0 || y < 0 || w < 0 || h < 0 || int64_t(x) + w > m_width || int64_t(y) + h > m_height) return rows;
    const uint64_t bpp = PixelBytes(m_upload->format, m_upload->type);
    // Only four-byte pixels carry alpha (last byte in either order).
    if (bpp != 4) {
        rows.assign(size_t(h), alpha == 0xFF);
        return rows;
    }
    rows.resize(size_t(h));
    const size_t pitch = size_t(m_upload->width) * 4;
    for (int r = 0; r < h; ++r) {
        const uint8_t* p = m_upload->data + size_t(y + r) * pitch + size_t(x) * 4 + 3;
        const uint8_t* end = p + size_t(w) * 4;
        while (p < end && *p == alpha) p += 4;
        rows[size_t(r)] = p >= end;
    }
    return rows;
}

uint8_t* PixelDataGL::ConvertForUpload(PixelData& source, int W, int H) const
{
    uint32_t format = source.GetFormat();
    // Run-length pixels decode to four bytes each.
    size_t bpp = format == RLE ? 4 : GetFormatInfo(format).bytesPerPixel;
    if (bpp == 0 || W <= 0 || H <= 0) return nullptr;
    size_t outPitch = size_t(W) * bpp;
    uint8_t* out = new uint8_t[outPitch * size_t(H)]();

    int width = std::min(source.GetWidth(), W);
    int height = std::min(source.GetHeight(), H);
    const uint8_t* in = source.GetDataMutable();
    bool filled = false;
    if (in && width > 0 && height > 0) {
        if (format == RLE) {
            if (source.GetKind() == kRunLength && source.GetWidth() <= W && source.GetHeight() <= H) {
                auto& rle = static_cast<PixelDataRLE&>(source);
                // A damaged stream keeps what decoded; the rest stays transparent.
                PixelDataRLE::Decode(in, rle.GetStreamSize(), width, height, out, outPitch);
                filled = true;
            }
        } else if (source.GetPitch() >= size_t(std::max(source.GetWidth(), 0)) * bpp) {
            for (int y = 0; y < height; ++y)
                std::memcpy(out + size_t(y) * outPitch, in + size_t(y) * source.GetPitch(), size_t(width) * bpp);
            filled = true;
        }
    }
    if (filled) {
        for (int y = 0; y < height; ++y) {
            uint8_t* row = out + size_t(y) * outPitch;
            for (int x = width; x < W; ++x) std::memcpy(row + size_t(x) * bpp, row + size_t(width - 1) * bpp, bpp);
        }
        for (int y = height; y < H; ++y)
            std::memcpy(out + size_t(y) * outPitch, out + size_t(height - 1) * outPitch, outPitch);
        // Red first for GL, unless the record takes the pixels in their own
        // order (see FourByteFormat).
        if (bpp == 3 || (bpp == 4 && m_upload->format != GL_BGRA_EXT)) {
            for (uint8_t *p = out, *end = out + outPitch * size_t(H); p < end; p += bpp) std::swap(p[0], p[2]);
        }
    }
    source.FreeData();
    return out;
}

void PixelDataGL::Upload(uint32_t flags)
{
    GLuint tex = 0;
    glGenTextures(1, &tex);
    m_texture = tex;
    glBindTexture(GL_TEXTURE_2D, tex);
    RenderStats& stats = GetRenderStats();
    ++stats.textureBinds;
    ++stats.textureUploads;
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    m_linearFiltered = (flags & 0x2) != 0;
    GLint filter = m_linearFiltered ? GL_LINEAR : GL_NEAREST;
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, filter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, filter);
    // Upload rows are packed without padding; 1- and 2-pixel-wide rows of
    // 1-, 2- and 3-byte pixels would be misread at GL's default alignment.
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    if (!m_upload) {
        // The record went with an earlier upload (a new GL context after
        // ReleaseAll): only an empty texture of the same size can be made.
        const GLenum format = FourByteFormat();
        glTexImage2D(GL_TEXTURE_2D, 0, GLint(format), m_paddedWidth, m_paddedHeight, 0, format, GL_UNSIGNED_BYTE,
                     nullptr);
        m_textureBytes = uint64_t(m_paddedWidth) * uint64_t(m_paddedHeight) * 4;
    } else if (m_upload->format == 0) {
        glCompressedTexImage2D(GL_TEXTURE_2D, 0, m_upload->internalFormat, m_upload->width, m_upload->height, 0,
                               GLsizei(m_upload->size), m_upload->data);
        m_textureBytes = m_upload->size;
    } else {
        glTexImage2D(GL_TEXTURE_2D, 0, GLint(m_upload->internalFormat), m_upload->width, m_upload->height, 0,
                     m_upload->format, m_upload->type, m_upload->data);
        m_textureBytes = uint64_t(m_upload->width) * uint64_t(m_upload->height) *
                         PixelBytes(m_upload->format, m_upload->type);
    }
    if (!g_keepUploads) {
        const bool large = m_upload && m_upload->data && m_upload->size >= kLargeRecordBytes;
        ReleaseRecord();
        // The record was made on the loader thread, so it lies in that
        // thread's malloc arena, which keeps freed memory; the driver now
        // holds a copy of it. Giving the free pages back keeps the two from
        // adding up in resident memory as the levels' pictures upload.
        if (large) malloc_trim(0);
    }
    m_uploaded = true;
}

void PixelDataGL::CollectUnused()
{
    ++g_collections;
    std::lock_guard<std::mutex> lock(g_registryLock);
    for (PixelDataGL* texture : Registry()) {
        ++texture->m_idle;
        // A texture whose record is gone could not come back: keep it.
        if (texture->m_idle > kIdleFramesBeforeEviction && texture->m_texture && texture->m_upload) {
            if (Batcher* batcher = Batcher::Get()) batcher->CheckTexture(texture);
            texture->DeleteNames();
        }
    }
}

unsigned PixelDataGL::GetCollectionCount() { return g_collections; }

void PixelDataGL::ReleaseAll()
{
    std::lock_guard<std::mutex> lock(g_registryLock);
    for (PixelDataGL* texture : Registry()) {
        if (texture->m_texture) {
            if (Batcher* batcher = Batcher::Get()) batcher->CheckTexture(texture);
            texture->DeleteNames();
        }
    }
}

void PixelDataGL::SetKeepUploads(bool keep) { g_keepUploads = keep; }

size_t PixelDataGL::GetLiveCount()
{
    std::lock_guard<std::mutex> lock(g_registryLock);
    return Registry().size();
}

uint64_t PixelDataGL::GetTextureBytes()
{
    std::lock_guard<std::mutex> lock(g_registryLock);
    uint64_t bytes = 0;
    for (const PixelDataGL* texture : Registry())
        if (texture->m_texture) bytes += texture->m_textureBytes;
    return bytes;
}

PixelDataComposite::PixelDataComposite(PixelDataGL* color, PixelDataGL* alpha) : m_color(color), m_alpha(alpha)
{
    m_width = color->GetWidth();
    m_height = color->GetHeight();
    m_pitch = color->GetPitch();
    m_format = RGBA8888;
}

PixelDataComposite::~PixelDataComposite()
{
    m_alpha.Reset();
    m_color.Reset();
}

void PixelDataComposite::Touch()
{
    m_color->Touch();
    m_alpha->Touch();
}

void PixelDataComposite::Upload(uint32_t flags)
{
    if (!m_color->IsUploaded()) m_color->Upload(flags);
    if (!m_alpha->IsUploaded()) m_alpha->Upload(flags);
}

}  // namespace Voke
