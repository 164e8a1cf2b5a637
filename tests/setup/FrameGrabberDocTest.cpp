// The frame-grabber document: edge filter, motion detector, modes and malformed frames.
#include <cstring>

#include "VideoTestSupport.h"
#include "setup/CFrameGrabberDoc.h"
#include "setup/CVideoPreviewDlg.h"

namespace {

// A packed frame: header, then `rows` rows in memory order of `width` pixels, padded
// with 0xEE.  Every channel of pixel (r, c) is value(r, c); the fourth byte is 0x77.
struct Frame {
  std::vector<BYTE> bytes;
  size_t rowBytes = 0;
  int bpp = 0;

  Frame(int width, int height, WORD bits, const std::function<int(int, int)>& value) {
    rowBytes = ((static_cast<size_t>(width) * bits + 31) / 32) * 4;
    bpp = bits / 8;
    const int rows = height < 0 ? -height : height;
    bytes.assign(sizeof(BITMAPINFOHEADER) + rowBytes * rows, 0xEE);
    BITMAPINFOHEADER h;
    h.biWidth = width;
    h.biHeight = height;
    h.biBitCount = bits;
    std::memcpy(bytes.data(), &h, sizeof h);
    for (int r = 0; r < rows; ++r)
      for (int c = 0; c < width; ++c)
        for (int k = 0; k < bpp; ++k) *Pixel(r, c, k) = k == 3 ? 0x77 : static_cast<BYTE>(value(r, c));
  }
  BYTE* Pixel(int r, int c, int k) { return &bytes[sizeof(BITMAPINFOHEADER) + r * rowBytes + c * bpp + k]; }
  BITMAPINFO* Info() { return reinterpret_cast<BITMAPINFO*>(bytes.data()); }
};

// An 8 x 8 frame whose 16 cells of 2 x 2 pixels have the given brightness (the sum of all
// channels over the cell is 3 x brightness, poured into the cell's bytes in order).
Frame Cells(const std::array<int, 16>& brightness, WORD bits = 24) {
  Frame f(8, 8, bits, [](int, int) { return 0; });
  for (int cell = 0; cell < 16; ++cell) {
    int left = 3 * brightness[static_cast<size_t>(cell)];
    for (int r = 0; r < 2; ++r)
      for (int c = 0; c < 2; ++c)
        for (int k = 0; k < 3; ++k) {
          const int v = std::min(left, 255);
          *f.Pixel(cell / 4 * 2 + r, cell % 4 * 2 + c, k) = static_cast<BYTE>(v);
          left -= v;
        }
  }
  return f;
}

std::array<int, 16> All(int b) {
  std::array<int, 16> a;
  a.fill(b);
  return a;
}

class CCountingView : public CView {
 public:
  void OnUpdate(CView*, LPARAM, void*) override { ++updates; }
  int updates = 0;
};

}  // namespace

TEST(FrameGrabberDoc, IsMadeByItsRunTimeClassAsAFreshDocument) {
  const CRuntimeClass* c = RUNTIME_CLASS(CFrameGrabberDoc);
  EXPECT_STREQ(c->m_lpszClassName, "CFrameGrabberDoc");
  EXPECT_EQ(c->m_pBaseClass, RUNTIME_CLASS(CDocument));
  std::unique_ptr<CObject> made = c->CreateObject();
  ASSERT_NE(made, nullptr);
  EXPECT_EQ(made->GetRuntimeClass(), c);
  EXPECT_TRUE(made->IsKindOf(RUNTIME_CLASS(CDocument)));
  auto* doc = dynamic_cast<CFrameGrabberDoc*>(made.get());
  ASSERT_NE(doc, nullptr);
  EXPECT_EQ(doc->GetMode(), CFrameGrabberDoc::ShowFrames);
  EXPECT_EQ(doc->GetPicture().GetSafeHandle(), nullptr);
  EXPECT_TRUE(doc->OnNewDocument());
}

TEST(FrameGrabberDoc, EdgeFilterAt24And32BitsWalksPaddedRowsInMemoryOrder) {
  // Rows 10 20 200 / 40 90 60 / 70 80 90: (|p - q1| + |p1 - q|) / 2 gives 50 75 / 30 10.
  const int values[3][3] = {{10, 20, 200}, {40, 90, 60}, {70, 80, 90}};
  const int filtered[3][3] = {{50, 75, 200}, {30, 10, 60}, {70, 80, 90}};
  for (int height : {3, -3}) {
    Frame f(3, height, 24, [&](int r, int c) { return values[r][c]; });
    CFrameGrabberDoc doc;
    ASSERT_TRUE(doc.EdgeFilter(f.Info(), f.bytes.size()));
    for (int r = 0; r < 3; ++r)
      for (int c = 0; c < 3; ++c)
        for (int k = 0; k < 3; ++k) EXPECT_EQ(*f.Pixel(r, c, k), filtered[r][c]) << r << "," << c << " h" << height;
    for (int r = 0; r < 3; ++r)
      for (size_t pad = 9; pad < 12; ++pad) EXPECT_EQ(f.bytes[sizeof(BITMAPINFOHEADER) + r * 12 + pad], 0xEE);
  }

  // 32 bits: ((p AND NOT q1) + (p1 AND NOT q)) / 2, fourth byte 0.
  const int v32[2][2] = {{0xF0, 0x0F}, {0x33, 0x0F}};
  Frame f(2, 2, 32, [&](int r, int c) { return v32[r][c]; });
  CFrameGrabberDoc doc;
  ASSERT_TRUE(doc.EdgeFilter(f.Info(), f.bytes.size()));
  EXPECT_EQ(*f.Pixel(0, 0, 0), (0xF0 + 0x0C) / 2);
  EXPECT_EQ(*f.Pixel(0, 0, 3), 0);
  EXPECT_EQ(*f.Pixel(0, 1, 0), 0x0F);
  EXPECT_EQ(*f.Pixel(0, 1, 3), 0x77);
  EXPECT_EQ(*f.Pixel(1, 0, 0), 0x33);
}

TEST(FrameGrabberDoc, MalformedFramesAreLeftAloneAndNeverReadPastTheirBuffer) {
  CFrameGrabberDoc doc;
  Frame good(5, 4, 24, [](int r, int c) { return r * 40 + c; });
  const auto original = good.bytes;
  const struct {
    const char* what;
    std::function<void(Frame&)> spoil;
    size_t cut;
  } cases[] = {
      {"one byte short", [](Frame&) {}, 1},
      {"header larger than the buffer", [](Frame& f) { f.Info()->bmiHeader.biSize = 4000; }, 0},
      {"header smaller than a header", [](Frame& f) { f.Info()->bmiHeader.biSize = 12; }, 0},
      {"taller than its pixels", [](Frame& f) { f.Info()->bmiHeader.biHeight = -5; }, 0},
      {"wider than its pixels", [](Frame& f) { f.Info()->bmiHeader.biWidth = 6; }, 0},
      {"no width", [](Frame& f) { f.Info()->bmiHeader.biWidth = 0; }, 0},
      {"huge width", [](Frame& f) { f.Info()->bmiHeader.biWidth = 0x7FFFFFFF; }, 0},
      {"8 bits", [](Frame& f) { f.Info()->bmiHeader.biBitCount = 8; }, 0},
  };
  for (const auto& c : cases) {
    Frame f = good;
    c.spoil(f);
    const auto before = f.bytes;
    EXPECT_FALSE(doc.EdgeFilter(f.Info(), f.bytes.size() - c.cut)) << c.what;
    EXPECT_FALSE(doc.DetectMotion(f.Info(), f.bytes.size() - c.cut)) << c.what;
    EXPECT_EQ(f.bytes, before) << c.what;
  }
  EXPECT_FALSE(doc.EdgeFilter(nullptr, 100));
  EXPECT_FALSE(CFrameGrabberDoc::IsWholeFrame(good.Info(), sizeof(BITMAPINFOHEADER) - 1));

  // One column or one row: nothing to filter, nothing out of bounds.
  for (auto [w, h] : {std::pair{1, 4}, std::pair{5, 1}, std::pair{1, -1}}) {
    Frame thin(w, h, 24, [](int r, int c) { return r + c; });
    const auto before = thin.bytes;
    EXPECT_TRUE(doc.EdgeFilter(thin.Info(), thin.bytes.size()));
    EXPECT_EQ(thin.bytes, before);
  }
  EXPECT_EQ(good.bytes, original);
}

TEST(FrameGrabberDoc, MotionDetectorComparesNeighbouringCellRatios) {
  std::array<int, 16> oneRaised = All(300);
  oneRaised[5] = 600;
  std::array<int, 16> firstDark = All(300);
  firstDark[0] = 0;
  const struct {
    const char* what;
    std::array<int, 16> before, after;
    bool motion;
  } cases[] = {
      {"identical frames", All(300), All(300), false},
      {"one cell doubled", All(300), oneRaised, true},
      {"every cell doubled", All(300), All(600), false},
      {"1 to 2: the +1 in the divisor tells", All(1), All(2), true},
      {"a cell gone dark", All(300), firstDark, true},
      {"dark and still dark", All(0), All(0), false},
  };
  for (WORD bits : {24, 32})
    for (const auto& c : cases) {
      CFrameGrabberDoc doc;
      Frame first = Cells(c.before, bits), second = Cells(c.after, bits);
      EXPECT_FALSE(doc.DetectMotion(first.Info(), first.bytes.size())) << "first frame: " << c.what;
      EXPECT_EQ(doc.DetectMotion(second.Info(), second.bytes.size()), c.motion) << c.what << " at " << bits;
    }

  const Frame cell = Cells(oneRaised);
  EXPECT_EQ(CFrameGrabberDoc::RegionBrightness24(cell.bytes.data() + sizeof(BITMAPINFOHEADER), cell.rowBytes, 2, 2, 2, 2),
            600);
}

// A capture driver's YUV frame of 4 x 4 pixels: a header with the format's code and bit
// count, then its pixels (YUY2: two pixels in four bytes; I420: 16 luma bytes and two
// planes of 4 chroma bytes), mid-grey.
struct YuvFrame {
  std::vector<BYTE> bytes;
  YuvFrame(const char code[4], WORD bits, size_t pixelBytes) {
    BITMAPINFOHEADER h;
    h.biWidth = 4;
    h.biHeight = 4;
    h.biBitCount = bits;
    h.biCompression = static_cast<DWORD>(static_cast<BYTE>(code[0])) | static_cast<DWORD>(static_cast<BYTE>(code[1])) << 8 |
                      static_cast<DWORD>(static_cast<BYTE>(code[2])) << 16 | static_cast<DWORD>(static_cast<BYTE>(code[3])) << 24;
    h.biSizeImage = static_cast<DWORD>(pixelBytes);
    bytes.assign(sizeof h + pixelBytes, 0x80);
    std::memcpy(bytes.data(), &h, sizeof h);
  }
  BITMAPINFO* Info() { return reinterpret_cast<BITMAPINFO*>(bytes.data()); }
};

TEST_F(VideoWindowTest, ModesShowFramesAndFallBackToShowingWithAMessage) {
  Frame grey(4, 4, 8, [](int, int) { return 1; });
  grey.Info()->bmiHeader.biClrUsed = 2;
  grey.bytes.insert(grey.bytes.begin() + sizeof(BITMAPINFOHEADER), 8, 0);  // the colour table
  YuvFrame yuy2("YUY2", 16, 4 * 4 * 2);
  YuvFrame i420("I420", 12, 4 * 4 * 3 / 2);
  const struct {
    const char* what;
    std::vector<BYTE> bytes;
    bool shownInMode1;  // the picture takes uncompressed frames only
  } frames[] = {{"8 bits", grey.bytes, true}, {"YUY2", yuy2.bytes, false}, {"I420", i420.bytes, false}};
  const struct {
    int mode;
    const char* message;
  } modes[] = {
      {CFrameGrabberDoc::EdgeFilterFrames, "Can't run filter: unsupported color resolution!"},
      {CFrameGrabberDoc::DetectMotionFrames, "Can't run motion detector: unsupported color resolution!"},
  };
  for (const auto& f : frames)
    for (const auto& m : modes) {
      SCOPED_TRACE(std::string(f.what) + " in mode " + std::to_string(m.mode));
      varlo::win::ClearShownMessageBoxes();
      CFrameGrabberDoc doc;
      CCountingView view;
      doc.AddView(&view);
      doc.SetMode(m.mode);
      std::vector<BYTE> frame = f.bytes;
      auto* info = reinterpret_cast<BITMAPINFO*>(frame.data());
      doc.OnNewFrame(info, frame.size());
      auto boxes = varlo::win::ShownMessageBoxes();
      ASSERT_EQ(boxes.size(), 1u);
      EXPECT_EQ(boxes[0].text, m.message);
      EXPECT_EQ(boxes[0].type, MB_ICONEXCLAMATION | MB_OK);
      EXPECT_EQ(doc.GetMode(), CFrameGrabberDoc::ShowFrames);
      EXPECT_EQ(doc.GetPicture().GetSafeHandle(), nullptr) << "the frame is not shown";
      EXPECT_EQ(frame, f.bytes) << "nor changed";

      doc.OnNewFrame(info, frame.size());
      EXPECT_EQ(varlo::win::ShownMessageBoxes().size(), 1u) << "no second message";
      EXPECT_EQ(doc.GetPicture().GetSafeHandle() != nullptr, f.shownInMode1);
      EXPECT_EQ(view.updates, 0);

      // A YUV frame cut short is dropped as any other frame that is not whole.
      doc.SetMode(m.mode);
      doc.OnNewFrame(info, frame.size() - 1);
      EXPECT_EQ(doc.GetMode(), m.mode);
      EXPECT_EQ(varlo::win::ShownMessageBoxes().size(), 1u);
    }

  // Mode 3 shows a frame only on motion; mode 2 shows every frame filtered.
  varlo::win::ClearShownMessageBoxes();
  CFrameGrabberDoc doc;
  CCountingView view;
  doc.AddView(&view);
  doc.SetMode(CFrameGrabberDoc::DetectMotionFrames);
  Frame still = Cells(All(300));
  std::array<int, 16> moved = All(300);
  moved[9] = 600;
  Frame change = Cells(moved);
  doc.OnNewFrame(still.Info(), still.bytes.size());
  doc.OnNewFrame(still.Info(), still.bytes.size());
  EXPECT_EQ(view.updates, 0);
  doc.OnNewFrame(change.Info(), change.bytes.size());
  EXPECT_EQ(view.updates, 1);
  doc.SetMode(CFrameGrabberDoc::EdgeFilterFrames);
  doc.OnNewFrame(still.Info(), still.bytes.size());
  EXPECT_EQ(view.updates, 2);
  Frame cut = Cells(All(300));
  doc.OnNewFrame(cut.Info(), cut.bytes.size() - 1);
  EXPECT_EQ(view.updates, 2) << "a frame that is not whole is dropped";
  EXPECT_TRUE(varlo::win::ShownMessageBoxes().empty());
}

TEST_F(VideoWindowTest, PreviewTimerShowsTheFirstFrameThenHandsFramesToTheDocument) {
  CVideoPreviewDlg dlg;
  EXPECT_EQ(dlg.OnNcHitTest(CPoint(5, 5)), HTCAPTION);
  Frame frame(4, 4, 24, [](int r, int c) { return r * 50 + c * 10; });
  dlg.OnTimer(1);  // no capture window: nothing
  ASSERT_TRUE(dlg.m_captureWnd.CreateEx(0, "", "capture", WS_POPUP, CRect(0, 0, 4, 4), nullptr, 0));

  dlg.m_captureWnd.OnFrame(frame.bytes.data(), frame.bytes.size() - 1, sizeof(BITMAPINFOHEADER));
  dlg.OnTimer(1);
  EXPECT_EQ(dlg.GetPicture().GetSafeHandle(), nullptr) << "a frame cut short is not shown";
  dlg.m_captureWnd.OnFrame(frame.bytes.data(), frame.bytes.size(), sizeof(BITMAPINFOHEADER));
  dlg.OnTimer(1);
  EXPECT_NE(dlg.GetPicture().GetSafeHandle(), nullptr);

  CFrameGrabberDoc doc;
  CCountingView view;
  doc.AddView(&view);
  doc.SetMode(CFrameGrabberDoc::EdgeFilterFrames);
  dlg.m_doc = &doc;
  const auto before = frame.bytes;
  dlg.OnTimer(1);
  EXPECT_NE(doc.GetPicture().GetSafeHandle(), nullptr) << "the first frame goes into the document's picture";
  EXPECT_EQ(frame.bytes, before);
  EXPECT_EQ(view.updates, 0);
  dlg.OnTimer(1);
  EXPECT_EQ(view.updates, 1);
  EXPECT_NE(frame.bytes, before) << "then through the document's filter";
  dlg.m_captureWnd.DestroyWindow();
}
