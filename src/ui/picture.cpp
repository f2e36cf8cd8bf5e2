#include "ui/picture.h"

#include <objbase.h>
#include <wincodec.h>
#include <wrl/client.h>

#include "platform/system_api.h"
#include "ui/com_apartment.h"

namespace ui {
namespace {

using Microsoft::WRL::ComPtr;

// Spelled out so that no import library ties the program to windowscodecs.dll.
constexpr CLSID kWicImagingFactory = {
    0xcacaf262, 0x9370, 0x4615, {0xa1, 0x3b, 0x9f, 0x55, 0x39, 0xda, 0x4c, 0x0a}};
constexpr CLSID kWicJpegDecoder = {
    0x9456a480, 0xe88b, 0x43ea, {0x9e, 0x73, 0x0b, 0x2d, 0x9b, 0x71, 0xb1, 0xca}};

// The imaging component, from the system folder by its full path so that no
// copy beside the program is ever taken for it. Loaded for the decoding alone:
// loaded by COM, it and its DLLs may stay until the program ends (under Wine
// they do, about 1.8 MiB).
class ImagingComponent {
  public:
    ImagingComponent() {
        const std::wstring path = platform::SystemFolderPath(L"windowscodecs.dll");
        if (!path.empty()) {
            module_.reset(::LoadLibraryExW(path.c_str(), nullptr, 0));
        }
        if (module_) {
            getClassObject_ =
                platform::ExportedFunction<GetClassObject>(module_.get(), "DllGetClassObject");
        }
    }

    // An object of one of the component's classes, or null.
    template <class Interface>
    ComPtr<Interface> Create(const CLSID& classId) const {
        ComPtr<IClassFactory> classObject;
        ComPtr<Interface> object;
        if (getClassObject_ == nullptr ||
            FAILED(getClassObject_(classId, IID_PPV_ARGS(&classObject))) ||
            FAILED(classObject->CreateInstance(nullptr, IID_PPV_ARGS(&object)))) {
            return nullptr;
        }
        return object;
    }

  private:
    using GetClassObject = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);

    platform::UniqueModule module_;
    GetClassObject getClassObject_ = nullptr;
};

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
    // Declared first, so that both end after every interface below.
    const ComApartment com;
    const ImagingComponent component;
    // The JPEG decoder by its class: finding it by the data's signature reads
    // every decoder's registration.
    const auto factory = component.Create<IWICImagingFactory>(kWicImagingFactory);
    const auto decoder = component.Create<IWICBitmapDecoder>(kWicJpegDecoder);
    ComPtr<IWICStream> stream;
    ComPtr<IWICBitmapFrameDecode> frame;
    ComPtr<IWICFormatConverter> converter;
    if (!factory || !decoder || FAILED(factory->CreateStream(&stream)) ||
        FAILED(stream->InitializeFromMemory(const_cast<BYTE*>(bytes.data), bytes.size)) ||
        FAILED(decoder->Initialize(stream.Get(), WICDecodeMetadataCacheOnDemand)) ||
        FAILED(decoder->GetFrame(0, &frame)) ||
        FAILED(factory->CreateFormatConverter(&converter)) ||
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
    // 32-bit rows: the screen's own format, so that drawing converts nothing.
    const UINT stride = width * 4;
    if (!picture.bitmap ||
        FAILED(converter->CopyPixels(nullptr, stride, stride * height, static_cast<BYTE*>(bits)))) {
        return {};
    }
    picture.size = {static_cast<LONG>(width), static_cast<LONG>(height)};
    return picture;
}

}  // namespace ui
