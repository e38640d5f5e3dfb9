#include "views/win32/WicPicture.h"

#include <objbase.h>
#include <wincodec.h>

#include <cstring>

namespace win {

namespace {

// Releases a COM pointer on every path.
template <typename T>
class Com {
  public:
    Com() = default;
    ~Com() {
        if (p_ != nullptr) {
            p_->Release();
        }
    }
    Com(const Com&) = delete;
    Com& operator=(const Com&) = delete;
    T** put() { return &p_; }
    T* operator->() const { return p_; }
    T* get() const { return p_; }

  private:
    T* p_ = nullptr;
};

// COM for the length of one decode; a thread that has it already keeps it.
class ComScope {
  public:
    ComScope() : result_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
    ~ComScope() {
        if (SUCCEEDED(result_)) {
            CoUninitialize();
        }
    }
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;
    // RPC_E_CHANGED_MODE: the thread has COM in the other model, which serves WIC as well.
    bool ok() const { return SUCCEEDED(result_) || result_ == RPC_E_CHANGED_MODE; }

  private:
    HRESULT result_;
};

}  // namespace

Picture decodePngResource(int id, HMODULE module) {
    HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(10));  // RT_RCDATA
    HGLOBAL loaded = found != nullptr ? LoadResource(module, found) : nullptr;
    auto* bytes = static_cast<BYTE*>(loaded != nullptr ? LockResource(loaded) : nullptr);
    const DWORD size = found != nullptr ? SizeofResource(module, found) : 0;
    if (bytes == nullptr || size == 0) {
        return {};
    }
    ComScope com;
    Com<IWICImagingFactory> factory;
    Com<IWICStream> stream;
    Com<IWICBitmapDecoder> decoder;
    Com<IWICBitmapFrameDecode> frame;
    Com<IWICFormatConverter> converter;
    UINT width = 0;
    UINT height = 0;
    if (!com.ok() ||
        FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                IID_PPV_ARGS(factory.put()))) ||
        FAILED(factory->CreateStream(stream.put())) ||
        FAILED(stream->InitializeFromMemory(bytes, size)) ||
        FAILED(factory->CreateDecoderFromStream(stream.get(), nullptr,
                                                WICDecodeMetadataCacheOnDemand, decoder.put())) ||
        FAILED(decoder->GetFrame(0, frame.put())) ||
        FAILED(factory->CreateFormatConverter(converter.put())) ||
        FAILED(converter->Initialize(frame.get(), GUID_WICPixelFormat32bppPBGRA,
                                     WICBitmapDitherTypeNone, nullptr, 0.0,
                                     WICBitmapPaletteTypeCustom)) ||
        FAILED(converter->GetSize(&width, &height)) || width == 0 || height == 0 || width > 4096 ||
        height > 4096) {
        return {};
    }
    Picture picture;
    picture.width = static_cast<int>(width);
    picture.height = static_cast<int>(height);
    picture.pixels.resize(static_cast<std::size_t>(width) * height);
    if (FAILED(converter->CopyPixels(nullptr, width * 4, width * height * 4,
                                     reinterpret_cast<BYTE*>(picture.pixels.data())))) {
        return {};
    }
    return picture;
}

HBITMAP createBitmap(const Picture& picture) {
    if (picture.empty()) {
        return nullptr;
    }
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = picture.width;
    info.bmiHeader.biHeight = -picture.height;  // top-down, as the pixels are
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (bitmap != nullptr && bits != nullptr) {
        std::memcpy(bits, picture.pixels.data(), picture.pixels.size() * 4);
    }
    return bitmap;
}

}  // namespace win
