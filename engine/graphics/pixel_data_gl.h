// GPU pixel data: a texture made lazily, and the registry of live textures.
//
// Building a PixelDataGL never calls GL: the pixels are converted and padded
// to power-of-two sizes into an upload record at construction (on whatever
// thread loads the image) and sent to the GPU the first time the batcher binds
// the texture, on the main thread. The same class is an off-screen render
// target (a framebuffer object is made on its first use as a target) and, with
// framebuffer 0, the window's own framebuffer.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/core/ref_counter.h"
#include "engine/graphics/pixel_data.h"

namespace Voke {

class PixelDataGL : public PixelData {
public:
    // The framebuffer name of a texture not yet used as a render target.
    static const uint32_t NoFramebuffer;

    // What the first bind sends to GL.
    struct UploadData {
        uint32_t internalFormat = 0;
        uint32_t format = 0;  // 0: compressed data
        uint32_t type = 0;
        int32_t height = 1;  // padded to a power of two
        int32_t width = 1;
        SmartPtr<PixelData> source;
        uint8_t* data = nullptr;  // null: an empty texture
        uint32_t size = 0;        // bytes of data
    };

    // An empty texture (a render target), or for the compressed formats 5 to
    // 11 a zeroed block buffer for a loader to fill through GetDataMutable
    // (GetDataSize bytes). Format 4 and unknown formats become RGB888.
    // Negative sizes count as 0.
    PixelDataGL(int width, int height, uint32_t format);
    // A texture of the source's pixels (memory pixel data of formats 0 to 3,
    // or run-length pixels, which become RGBA8888). The pixels are padded and
    // converted now and the source's CPU copy is freed. A source of zero width or height is not read: the texture is
    // empty. A source of another format gives an empty RGB888 texture.
    explicit PixelDataGL(PixelData& source);
    ~PixelDataGL() override;

    // The window's framebuffer: framebuffer 0, RGB565, pitch 2 x width, no
    // texture, counted as uploaded, outside the registry.
    static SmartPtr<PixelDataGL> CreateScreen(int width, int height);
    // Updates size and pitch of the window's pixel data after a resize.
    void ResizeScreen(int width, int height);

    const uint8_t* GetData() const override { return m_upload ? m_upload->data : nullptr; }
    uint8_t* GetDataMutable() override { return m_upload ? m_upload->data : nullptr; }
    float GetTexScaleU() const override { return m_texScaleU; }
    float GetTexScaleV() const override { return m_texScaleV; }
    int GetKind() const override { return kTexture; }
    void Touch() override { m_idle = 0; }

    // Creates and fills the GL texture on the active unit; flags bit 0x2
    // selects linear filtering. Main thread only.
    void Upload(uint32_t flags);
    bool IsUploaded() const { return m_uploaded; }
    // Whether the texture was made with linear filtering (else nearest).
    bool IsLinearFiltered() const { return m_linearFiltered; }
    uint32_t GetTexture() const { return m_texture; }
    uint32_t GetFramebuffer() const { return m_framebuffer; }
    void SetFramebuffer(uint32_t name) { m_framebuffer = name; }
    int GetIdleFrames() const { return m_idle; }
    int GetPaddedWidth() const { return m_paddedWidth; }
    int GetPaddedHeight() const { return m_paddedHeight; }
    // The upload record, null once released after upload.
    const UploadData* GetUploadData() const { return m_upload; }
    uint32_t GetDataSize() const { return m_upload ? m_upload->size : 0; }
    // Switches an RGB888 upload record to RGB565 (the "565" image option).
    void SetUploadFormat565();
    // For each of the h rows of the w x h rectangle at (x, y) of the
    // pixels: whether every pixel in it is opaque (alpha 255, or a format
    // without alpha). Empty when that cannot be told: the upload record is
    // gone (sent to GL), the pixels are compressed or alpha only, or the
    // rectangle is not inside the pixels. Reads the record without a lock:
    // call it before the texture can be drawn (the loader, right after
    // loading).
    std::vector<bool> FindOpaqueRows(int x, int y, int w, int h) const;
    // The same for rows whose every pixel is fully transparent (alpha 0; a
    // format without alpha has none).
    std::vector<bool> FindClearRows(int x, int y, int w, int h) const;

    // A new buffer of W x H pixels of the source's format: rows copied and
    // their last pixel repeated up to W, the last row repeated down to H,
    // three-byte pixels swapped to red first, four-byte ones too unless the
    // record uploads them in their own blue-first order; run-length rows are
    // decoded to four-byte pixels. Calls the source's FreeData. A source
    // without pixels gives zeros; a damaged run-length stream keeps what
    // decoded before the damage and leaves the rest transparent.
    uint8_t* ConvertForUpload(PixelData& source, int W, int H) const;

    // The eviction pass, once per frame after presenting when the application
    // asks for idle textures to be collected: textures not bound for more
    // than 50 passes lose their GL names and upload again when next bound.
    static void CollectUnused();
    // How many eviction passes have run.
    static unsigned GetCollectionCount();
    // Deletes the GL names of every live texture (the GL context goes away).
    static void ReleaseAll();
    // Whether upload records are kept after upload, so that evicted textures
    // can upload again. Set by the application from its flags.
    static void SetKeepUploads(bool keep);
    // Live textures in the registry.
    static size_t GetLiveCount();
    // Bytes of texture storage GL holds for the live textures: each texture
    // that has GL names counted at its padded size in its upload format
    // (compressed ones at their block data); mipmaps are never made. The
    // window's framebuffer is not counted.
    static uint64_t GetTextureBytes();

    // NOTE: frames a texture may go unbound before eviction takes it.
    static constexpr int kIdleFramesBeforeEviction = 50;
    // NOTE: releasing an upload record of at least this many bytes returns
    // the process's free heap pages to the system (an atlas page; smaller
    // pictures are not worth the walk over the heap).
    static constexpr uint32_t kLargeRecordBytes = 256 * 1024;

private:
    PixelDataGL() = default;
    void Init(int width, int height, uint32_t format);
    void DeleteNames();
    void ReleaseRecord();
    // Rows of the rectangle whose every pixel has that alpha.
    std::vector<bool> FindRowsOfAlpha(int x, int y, int w, int h, uint8_t alpha) const;

    uint32_t m_texture = 0;
    uint32_t m_framebuffer = NoFramebuffer;
    bool m_uploaded = false;
    bool m_linearFiltered = false;
    float m_texScaleU = 1.0f;
    float m_texScaleV = 1.0f;
    UploadData* m_upload = nullptr;
    int m_idle = 0;
    int m_paddedWidth = 1;
    int m_paddedHeight = 1;
    bool m_registered = false;
    // What the last upload gave GL, for GetTextureBytes.
    uint64_t m_textureBytes = 0;
};

// A colour texture and a separate alpha texture (transparency in its red
// channel), drawn together by the mask program. Always blends.
class PixelDataComposite : public PixelData {
public:
    // Takes the colour part's size; format RGBA8888.
    PixelDataComposite(PixelDataGL* color, PixelDataGL* alpha);
    ~PixelDataComposite() override;

    int GetKind() const override { return kComposite; }
    void Touch() override;
    float GetTexScaleU() const override { return m_color->GetTexScaleU(); }
    float GetTexScaleV() const override { return m_color->GetTexScaleV(); }
    // Uploads the colour texture, then the alpha texture.
    void Upload(uint32_t flags);

    PixelDataGL* GetColor() const { return m_color; }
    PixelDataGL* GetAlpha() const { return m_alpha; }

private:
    SmartPtr<PixelDataGL> m_color;
    SmartPtr<PixelDataGL> m_alpha;
};

// The smallest power of two not below n (1 for n <= 1).
int NextPowerOfTwo(int n);

}  // namespace Voke
