// Handing a loaded picture from a control on a worker thread to another control: the adopted picture
// behaves as that control's own load in every respect a host can see, and whatever is no load stays.
#include "include/tavlen/picture_handover.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "control/class_ids.h"
#include "control/detached_picture.h"
#include "include/tavlen/control_window.h"
#include "include/tavlen/picture_pixels.h"
#include "platform/automation/connection_point.h"
#include "platform/graphics/area_average.h"
#include "tests/control/control_fixture.h"
#include "tests/control/module/module_fixture.h"

namespace tavlen {
namespace {

using ole::Variant;

constexpr uint32_t kOrientationTag = 0x0112;
constexpr uint32_t kArtistTag = 0x013B;

std::vector<uint8_t> Bytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class PictureHandoverTest : public test::RegisteredModuleTest {
 protected:
  static ole::ComPtr<ole::IDispatch> Create(const char* progId = kTavlen2ProgId) {
    return RegisteredModuleTest::Create(progId);
  }
  static ole::ComPtr<IPictureHandover> HandoverOf(const ole::ComPtr<ole::IDispatch>& control) {
    ole::ComPtr<IPictureHandover> handover;
    EXPECT_EQ(control.As(&handover), ole::S_OK);
    return handover;
  }

  // A 6 x 4 pattern stored turned (orientation 6) with an artist: a load turns it and keeps the tags.
  std::string WriteTaggedPng() {
    auto picture = gfx::test::MakePatternBitmap(6, 4, gfx::PixelFormat::RGB24bpp, 3);
    uint8_t orientation[2] = {6, 0};
    char artist[] = "Ada";
    EXPECT_EQ(picture->SetPropertyItem({kOrientationTag, 2, gfx::kPropertyTagTypeShort, orientation}), gfx::Status::Ok);
    EXPECT_EQ(picture->SetPropertyItem({kArtistTag, sizeof artist, gfx::kPropertyTagTypeASCII, artist}),
              gfx::Status::Ok);
    const std::string path = files.File("tagged.png");
    EXPECT_EQ(picture->Save(path, gfx::kPngEncoderClsid), gfx::Status::Ok);
    return path;
  }

  // Loads `path` in a control of a thread of its own, as a host's worker does, and detaches it there.
  static ole::ComPtr<ole::IUnknown> LoadOnWorker(const std::string& path, bool autoOrient = true) {
    ole::IUnknown* detached = nullptr;
    std::thread worker([&] {
      ole::ComPtr<ole::IDispatch> control = Create();
      ASSERT_TRUE(control);
      ASSERT_EQ(ole::PutProperty(control.Get(), "AutoOrient", Variant(autoOrient)), ole::S_OK);
      Call(control.Get(), "LoadImage", {Variant(path)});
      ASSERT_EQ(HandoverOf(control)->DetachPicture(&detached), ole::S_OK);
      // The worker's control is left as a failed load leaves it.
      EXPECT_EQ(Call(control.Get(), "GetWidth"), Variant(0));
      EXPECT_EQ(Call(control.Get(), "GetImageOrientation"), Variant(1));
    });
    worker.join();
    return ole::ComPtr<ole::IUnknown>::Attach(detached);
  }

  static std::vector<uint8_t> Pixels(const ole::ComPtr<ole::IDispatch>& control) {
    ole::ComPtr<IPicturePixels> pixels;
    EXPECT_EQ(control.As(&pixels), ole::S_OK);
    PixelRows rows;
    if (pixels->LockPixels(&rows) != ole::S_OK) return {};
    std::vector<uint8_t> out;
    for (uint32_t y = 0; y < rows.height; ++y)
      out.insert(out.end(), rows.scan0 + y * rows.stride, rows.scan0 + y * rows.stride + rows.width * 4);
    EXPECT_EQ(pixels->UnlockPixels(), ole::S_OK);
    return out;
  }

  gfx::test::TempDir files;
};

TEST_F(PictureHandoverTest, VersionOneHasNoHandover) {
  ole::ComPtr<ole::IDispatch> control = Create(kTavlenProgId);
  ASSERT_TRUE(control);
  ole::ComPtr<IPictureHandover> handover;
  EXPECT_EQ(control.As(&handover), ole::E_NOINTERFACE);
}

TEST_F(PictureHandoverTest, AnAdoptedPictureIsTheControlsOwnLoad) {
  const std::string path = WriteTaggedPng();
  ole::ComPtr<ole::IUnknown> detached = LoadOnWorker(path);
  ASSERT_TRUE(detached);

  ole::ComPtr<ole::IDispatch> loaded = Create();
  ole::ComPtr<ole::IDispatch> adopted = Create();
  ole::ComPtr<IControlWindow> loadedSite, site;
  ASSERT_EQ(loaded.As(&loadedSite), ole::S_OK);
  ASSERT_EQ(adopted.As(&site), ole::S_OK);
  for (IControlWindow* window : {loadedSite.Get(), site.Get()}) {
    ASSERT_EQ(window->CreateControlWindow(40, 30), ole::S_OK);
    window->Pump();
  }
  Call(loaded.Get(), "LoadImage", {Variant(path)});
  EXPECT_GT(loadedSite->Pump(), 0);
  ole::ComPtr<ole::IConnectionPointContainer> container;
  ASSERT_EQ(adopted.As(&container), ole::S_OK);
  ole::ComPtr<ole::IConnectionPoint> point;
  ASSERT_EQ(container->FindConnectionPoint(kEvents2Iid, point.Put()), ole::S_OK);
  auto sink = ole::MakeObject<test::RecordingSink>();
  ole::DWORD cookie = 0;
  ASSERT_EQ(point->Advise(sink.Get(), &cookie), ole::S_OK);

  ASSERT_EQ(HandoverOf(adopted)->AdoptPicture(detached.Get()), ole::S_OK);
  EXPECT_EQ(sink->calls.size(), 1u) << "PictureChanged";
  for (const char* member : {"GetWidth", "GetHeight", "GetImageOrientation", "GetImageArtist", "GetUndo", "GetRedo"})
    EXPECT_EQ(Call(adopted.Get(), member), Call(loaded.Get(), member)) << member;
  EXPECT_EQ(Call(adopted.Get(), "GetWidth"), Variant(4)) << "turned upright";
  EXPECT_EQ(Call(adopted.Get(), "GetImageArtist"), Variant(std::string("Ada")));
  EXPECT_EQ(Pixels(adopted), Pixels(loaded));
  // Placed by Align and painted as a load is.
  EXPECT_GT(site->Pump(), 0);
  for (const char* member : {"GetImageXpos", "GetImageYpos"})
    EXPECT_EQ(Call(adopted.Get(), member), Call(loaded.Get(), member)) << member;
  for (const auto& [x, y] : {std::pair{0, 0}, std::pair{18, 14}, std::pair{21, 16}})
    EXPECT_EQ(site->GetClientPixel(x, y), loadedSite->GetClientPixel(x, y)) << x << ", " << y;

  // The history starts at the loaded state, and saves write what a load would have written.
  Call(adopted.Get(), "Rotate90");
  Call(adopted.Get(), "Undo");
  EXPECT_EQ(Call(adopted.Get(), "GetRedo"), Variant(1));
  EXPECT_EQ(Pixels(adopted), Pixels(loaded));
  for (const auto& [control, name] : {std::pair{adopted, "a"}, std::pair{loaded, "l"}})
    EXPECT_EQ(Call(control.Get(), "SaveAsPng", {Variant(files.File(name))}), Variant(true));
  EXPECT_EQ(Bytes(files.File("a.png")), Bytes(files.File("l.png")));

  // The object is empty once adopted.
  ole::ComPtr<ole::IDispatch> other = Create();
  EXPECT_EQ(HandoverOf(other)->AdoptPicture(detached.Get()), ole::E_UNEXPECTED);
  EXPECT_EQ(Call(other.Get(), "GetWidth"), Variant(0));
  EXPECT_EQ(point->Unadvise(cookie), ole::S_OK);
}

// The history comes along from the worker's thread with the picture, its load state sharing the
// picture's pixels: text drawn on the adopted picture is undone to the load and redone exactly.
TEST_F(PictureHandoverTest, TextOnAnAdoptedPictureUndoesToTheLoad) {
  const std::string path = WritePatternPng(files, "pattern.png", 300, 260, 5);
  ole::ComPtr<ole::IUnknown> detached = LoadOnWorker(path);
  ASSERT_TRUE(detached);
  ole::ComPtr<ole::IDispatch> adopted = Create();
  ASSERT_EQ(HandoverOf(adopted)->AdoptPicture(detached.Get()), ole::S_OK);
  const std::vector<uint8_t> loaded = Pixels(adopted);
  ASSERT_EQ(ole::PutProperty(adopted.Get(), "TextFont", Variant(std::string("DejaVu Sans"))), ole::S_OK);
  ASSERT_EQ(ole::PutProperty(adopted.Get(), "TextSize", Variant(int16_t{40})), ole::S_OK);
  Call(adopted.Get(), "DrawText", {Variant(int16_t{10}), Variant(int16_t{100}), Variant(std::string("Handed"))});
  const std::vector<uint8_t> drawn = Pixels(adopted);
  EXPECT_NE(drawn, loaded);
  Call(adopted.Get(), "Undo");
  EXPECT_EQ(Pixels(adopted), loaded);
  Call(adopted.Get(), "Redo");
  EXPECT_EQ(Pixels(adopted), drawn);
}

TEST_F(PictureHandoverTest, WhatIsNoLoadStaysWhereItIs) {
  const std::string path = WriteTaggedPng();
  ole::ComPtr<ole::IDispatch> control = Create();
  ole::ComPtr<IPictureHandover> handover = HandoverOf(control);
  ole::IUnknown* detached = reinterpret_cast<ole::IUnknown*>(1);
  EXPECT_EQ(handover->DetachPicture(&detached), ole::S_FALSE) << "no picture";
  EXPECT_EQ(detached, nullptr);
  EXPECT_EQ(handover->DetachPicture(nullptr), ole::E_POINTER);
  EXPECT_EQ(handover->AdoptPicture(nullptr), ole::E_POINTER);

  Call(control.Get(), "LoadImage", {Variant(path)});
  Call(control.Get(), "Rotate90");
  EXPECT_EQ(handover->DetachPicture(&detached), ole::E_UNEXPECTED) << "edited";
  Call(control.Get(), "Undo");
  EXPECT_EQ(handover->DetachPicture(&detached), ole::E_UNEXPECTED) << "a redo step";
  EXPECT_EQ(detached, nullptr);
  EXPECT_EQ(Call(control.Get(), "GetWidth"), Variant(4));

  Call(control.Get(), "LoadImage", {Variant(path)});
  ole::ComPtr<IPicturePixels> pixels;
  ASSERT_EQ(control.As(&pixels), ole::S_OK);
  PixelRows rows;
  ASSERT_EQ(pixels->LockPixels(&rows), ole::S_OK);
  EXPECT_EQ(handover->DetachPicture(&detached), ole::E_UNEXPECTED) << "pixels locked";
  ASSERT_EQ(pixels->UnlockPixels(), ole::S_OK);

  // Something else than a detached picture, and a picture decoded under other settings, are refused
  // with the shown picture kept.
  EXPECT_EQ(handover->AdoptPicture(control.Get()), ole::E_INVALIDARG);
  ole::ComPtr<ole::IUnknown> sideways = LoadOnWorker(path, /*autoOrient=*/false);
  EXPECT_EQ(handover->AdoptPicture(sideways.Get()), ole::E_INVALIDARG);
  EXPECT_EQ(Call(control.Get(), "GetWidth"), Variant(4));
  ASSERT_EQ(ole::PutProperty(control.Get(), "AutoOrient", Variant(false)), ole::S_OK);
  EXPECT_EQ(handover->AdoptPicture(sideways.Get()), ole::S_OK) << "once the settings agree";
  EXPECT_EQ(Call(control.Get(), "GetWidth"), Variant(6));
  EXPECT_EQ(Call(control.Get(), "GetImageOrientation"), Variant(6));
}

TEST_F(PictureHandoverTest, TheWorkerMakesTheReducedCopyThatTravelsWithThePicture) {
  // Fitted to a full-HD screen this picture shows at under half its size: the copy is worth making.
  const std::string path = WritePatternPng(files, "large.png", 2401, 2161, 2);
  ole::ComPtr<ole::IUnknown> detached = LoadOnWorker(path);
  ASSERT_TRUE(detached);
  ole::ComPtr<IDetachedPicture> contents;
  ASSERT_EQ(detached.As(&contents), ole::S_OK);
  const CTavlenCtrl::LoadedPicture& loaded = contents->Contents();
  const gfx::Bitmap* copy = loaded.reduced.Kept();
  ASSERT_NE(copy, nullptr);
  ASSERT_EQ(loaded.reduced.Level(), 1u);
  auto expected = gfx::AverageDown(*loaded.image->Handle(), 1);
  ASSERT_TRUE(expected.Ok());
  ASSERT_EQ(copy->Width(), expected.Value()->Width());
  for (uint32_t y = 0; y < copy->Height(); ++y) {
    ASSERT_EQ(std::memcmp(copy->Pixels().Row(y), expected.Value()->Pixels().Row(y), size_t{copy->Width()} * 3), 0)
        << "row " << y;
  }
  ole::ComPtr<ole::IDispatch> shown = Create();
  ASSERT_EQ(HandoverOf(shown)->AdoptPicture(detached.Get()), ole::S_OK);
  EXPECT_EQ(contents->Contents().reduced.Kept(), nullptr) << "moved with the picture";
  for (const auto& [width, height] : {std::pair{0, 400}, std::pair{500, -1}})
    EXPECT_EQ(HandoverOf(shown)->SetAdoptingView(width, height), ole::E_INVALIDARG) << width << " x " << height;
  EXPECT_EQ(HandoverOf(shown)->SetAdoptingView(500, 400), ole::S_OK);
}

}  // namespace
}  // namespace tavlen
