// The video channel's devices and ownership, and the endpoint's video channel.
#include <cstring>

#include "VideoTestSupport.h"
#include "engine/CPhoneEndPoint.h"
#include "setup/CVideoChannel.h"
#include "setup/CVideoInputDevice.h"
#include "stack/h323/H323Connection.h"
#include "stack/video/H323VideoCodec.h"
#include "platform/capture/PVideoDeviceBitmap.h"

namespace {

// Counts its own destruction.
class CCountedReader : public CVideoInputDevice {
 public:
  explicit CCountedReader(int* deleted) : m_deleted(deleted) {}
  ~CCountedReader() override { ++*m_deleted; }

 private:
  int* m_deleted;
};

class CTestPlayer : public PVideoOutputDevice {
 public:
  explicit CTestPlayer(int* deleted) : m_deleted(deleted) {}
  ~CTestPlayer() override { ++*m_deleted; }
  bool Open(const PString&, bool) override { return true; }
  bool IsOpen() override { return true; }
  bool Close() override { return true; }
  bool Start() override { return true; }
  bool Stop() override { return true; }
  PStringList GetDeviceNames() const override { return {}; }
  PINDEX GetMaxFrameBytes() override { return 0; }
  bool Redraw(const void* frame) override {
    shown = frame;
    return redrawResult;
  }
  void SetNow(int value) override { now = value; }

  const void* shown = nullptr;
  bool redrawResult = true;
  int now = 0;

 private:
  int* m_deleted;
};

class CTestVideoCodec : public H323VideoCodec {
 public:
  explicit CTestVideoCodec(Direction d) : H323VideoCodec("", d) {}
  bool Read(uint8_t*, unsigned&, bool&) override { return false; }
  bool Write(const uint8_t*, unsigned, unsigned&) override { return false; }
};

// A bottom-up 2 x 2 RGB24 frame (rows padded to 8 bytes) after its header.
std::vector<BYTE> SmallFrame() {
  std::vector<BYTE> frame(sizeof(BITMAPINFOHEADER) + 16, 0x80);
  BITMAPINFOHEADER h;
  h.biWidth = 2;
  h.biHeight = 2;
  h.biBitCount = 24;
  std::memcpy(frame.data(), &h, sizeof h);
  return frame;
}

}  // namespace

TEST(VideoChannel, EmptyChannelReadsWritesAndMeasuresNothing) {
  CVideoChannel channel;
  BYTE buffer[16];
  EXPECT_FALSE(channel.IsOpen());
  EXPECT_FALSE(channel.Read(buffer, sizeof buffer));
  EXPECT_FALSE(channel.Write(buffer, sizeof buffer));
  EXPECT_EQ(channel.GetGrabWidth(), 0u);
  EXPECT_EQ(channel.GetGrabHeight(), 0u);
  EXPECT_FALSE(channel.IsGrabberOpen());
  EXPECT_FALSE(channel.DisplayFrame(buffer));
  channel.PassToPlayer(3);  // nothing to pass to
}

TEST(VideoChannel, OwnsWhatItIsGivenWithAutoDeleteAndNothingElse) {
  int readersDeleted = 0, playersDeleted = 0;
  auto* kept = new CCountedReader(&readersDeleted);
  {
    CVideoChannel channel;
    channel.AttachVideoReader(new CCountedReader(&readersDeleted));
    EXPECT_TRUE(channel.IsOpen());
    EXPECT_EQ(channel.GetGrabWidth(), 352u);
    channel.AttachVideoReader(new CCountedReader(&readersDeleted));
    EXPECT_EQ(readersDeleted, 1) << "the first reader goes when replaced";
    channel.AttachVideoReader(kept, FALSE);
    EXPECT_EQ(readersDeleted, 2);
    channel.SetGrabberFrameSize(176, 144);
    EXPECT_EQ(kept->GetFrameWidth(), 176u);

    auto* player = new CTestPlayer(&playersDeleted);
    channel.AttachVideoPlayer(player);
    BYTE frame[4] = {};
    EXPECT_TRUE(channel.Write(frame, 0));
    EXPECT_EQ(player->shown, frame);
    player->redrawResult = false;
    EXPECT_FALSE(channel.DisplayFrame(frame));
    channel.PassToPlayer(7);
    EXPECT_EQ(player->now, 7);
    EXPECT_TRUE(channel.IsRenderOpen());

    EXPECT_TRUE(channel.Close());
    EXPECT_TRUE(channel.Close());
    EXPECT_FALSE(channel.IsOpen());
    EXPECT_EQ(playersDeleted, 1);
  }
  EXPECT_EQ(readersDeleted, 2) << "a reader attached without auto-delete stays the caller's";
  EXPECT_EQ(playersDeleted, 1) << "nothing deleted twice";
  delete kept;
}

TEST_F(VideoWindowTest, ReadGivesAConvertedFrameOrReportsNoData) {
  CFakeCaptureWnd window;
  CVideoChannel channel;
  auto* device = new CVideoInputDevice;
  device->SetCaptureWindow(window.GetSafeHwnd());
  window.refusedCompressions = {MakeFourCC('I', 'Y', 'U', 'V')};
  ASSERT_TRUE(device->SetFrameSize(2, 2));
  ASSERT_TRUE(device->SetColourFormatConverter("YUV420P"));
  device->SetFrameSource([&window]() -> std::span<const BYTE> {
    const BYTE* bits = window.GetFrameBits();
    return bits == nullptr ? std::span<const BYTE>() : std::span<const BYTE>(bits, window.GetFrameBitsBytes());
  });
  channel.AttachVideoReader(device);

  BYTE buffer[64];
  EXPECT_FALSE(channel.Read(buffer, sizeof buffer)) << "no frame has arrived";
  EXPECT_EQ(channel.GetLastReadCount(), 0);

  window.nextFrame = SmallFrame();
  window.Deliver();
  ASSERT_TRUE(channel.Read(buffer, sizeof buffer));
  EXPECT_EQ(channel.GetLastReadCount(), 6);
  EXPECT_EQ(buffer[0], 126) << "grey 0x80 has luma 126";

  EXPECT_FALSE(channel.Read(buffer, 5)) << "a frame larger than the buffer is not cut";
  EXPECT_EQ(channel.GetLastReadCount(), 0);

  window.nextFrame.resize(sizeof(BITMAPINFOHEADER) + 15);  // one byte short of two rows
  window.Deliver();
  EXPECT_FALSE(channel.Read(buffer, sizeof buffer));

  std::vector<BYTE> frame;
  window.nextFrame = SmallFrame();
  window.Deliver();
  ASSERT_TRUE(device->GetFrame(frame));
  EXPECT_EQ(frame.size(), 6u) << "the array is sized from the frame";
}

TEST_F(VideoWindowTest, EndpointOpensASendingChannelOnlyOnACaptureWindow) {
  CPhoneEndPoint endpoint;
  H323Connection connection(endpoint, 1);
  {
    CTestVideoCodec encoder(H323Codec::Encoder);
    EXPECT_FALSE(endpoint.OpenVideoChannel(connection, true, encoder)) << "no capture window";
    EXPECT_EQ(encoder.GetRawDataChannel(), nullptr);
  }
  CFakeCaptureWnd window;
  endpoint.m_captureWnd = &window;
  CTestVideoCodec encoder(H323Codec::Encoder);
  ASSERT_TRUE(endpoint.OpenVideoChannel(connection, true, encoder));
  auto* channel = dynamic_cast<CVideoChannel*>(encoder.GetRawDataChannel());
  ASSERT_NE(channel, nullptr);
  ASSERT_NE(channel->GetVideoReader(), nullptr);
  EXPECT_EQ(channel->GetGrabWidth(), 352u);
  EXPECT_EQ(channel->GetGrabHeight(), 288u);
  ASSERT_FALSE(window.applied.empty());
  EXPECT_EQ(window.applied.back().biCompression, MakeFourCC('I', 'Y', 'U', 'V'));

  // The window's planar frames pass to the codec whole.
  window.nextFrame.assign(sizeof(BITMAPINFOHEADER) + 152064, 0x42);
  window.Deliver();
  std::vector<BYTE> buffer(152064);
  ASSERT_TRUE(channel->Read(buffer.data(), static_cast<PINDEX>(buffer.size())));
  EXPECT_EQ(channel->GetLastReadCount(), 152064);
  EXPECT_EQ(buffer.back(), 0x42);

  CTestVideoCodec decoder(H323Codec::Decoder);
  ASSERT_TRUE(endpoint.OpenVideoChannel(connection, false, decoder));
  auto* received = dynamic_cast<CVideoChannel*>(decoder.GetRawDataChannel());
  ASSERT_NE(received, nullptr);
  EXPECT_EQ(received->GetVideoReader(), nullptr);
  EXPECT_EQ(received->GetVideoPlayer(), nullptr);
}
