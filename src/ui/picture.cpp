#include "ui/picture.h"

#include <objbase.h>
#include <wincodec.h>
#include <wrl/client.h>

#include "ui/com_apartment.h"

namespace ui {
namespace {

using Microsoft::WRL::ComPtr;

// Spelled out so that no import library ties the program to windowscodecs.dll:
// COM loads it from the system folder that the registry names.
constexpr CLSID kWicImagingFactory = {
    0xcacaf262, 0x9370, 0x4615, {0xa1, 0x3b, 0x9f, 0x55, 0x39, 0xda, 0x4c, 0x0a}};

struct ResourceBytes {
    const BYTE* data = nullptr;
    DWORD size = 0;
};

ResourceBytes FindResourceBytes(HINSTANCE instance, int resourceId) {
    const HRSRC found = ::FindResourceW(instance, MAKEINTRESOURCEW(resourceId), RT_RCDATA);
    if (found == nullptr) {
        return {};
    }
    // Resource memory belongs to the module; it needs no release.
    const HGLOBAL loaded = ::LoadResource(instance, found);
    return {static_cast<const BYTE*>(::LockResource(loaded)), ::SizeofResource(instance, found)};
}

}  // namespace

Picture LoadPictureResource(HINSTANCE instance, int resourceId) {
    const ResourceBytes bytes = FindResourceBytes(instance, resourceId);
    if (bytes.data == nullptr) {
        return {};
    }
    // COM for as long as the decoding takes; declared first, so that it ends
    // after every interface below.
    const ComApartment com;
    ComPtr<IWICImagingFactory> factory;
    ComPtr<IWICStream> stream;
    ComPtr<IWICBitmapDecoder> decoder;
    ComPtr<IWICBitmapFrameDecode> frame;
    ComPtr<IWICFormatConverter> converter;
    if (FAILED(::CoCreateInstance(kWicImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                  IID_PPV_ARGS(&factory))) ||
        FAILED(factory->CreateStream(&stream)) ||
        FAILED(stream->InitializeFromMemory(const_cast<BYTE*>(bytes.data), bytes.size)) ||
        FAILED(factory->CreateDecoderFromStream(stream.Get(), nullptr,
                                                WICDecodeMetadataCacheOnDemand, &decoder)) ||
        FAILED(decoder->GetFrame(0, &frame)) || FAILED(factory->CreateFormatConverter(&converter)) ||
        FAILED(converter->Initialize(frame.Get(), GUID_WICPixelFormat32bppBGR,
                                     WICBitmapDitherTypeNone, nullptr, 0.0,
                                     WICBitmapPaletteTypeCustom))) {
        return {};
    }
    UINT width = 0;
    UINT height = 0;
    if (FAILED(converter->GetSize(&width, &height)) || width == 0 || height == 0) {
        return {};
    }

    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = static_cast<LONG>(width);
    info.bmiHeader.biHeight = -static_cast<LONG>(height);
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    Picture picture;
    picture.bitmap.reset(::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    const UINT stride = width * 4;
    if (!picture.bitmap ||
        FAILED(converter->CopyPixels(nullptr, stride, stride * height, static_cast<BYTE*>(bits)))) {
        return {};
    }
    picture.size = {static_cast<LONG>(width), static_cast<LONG>(height)};
    return picture;
}

}  // namespace ui
