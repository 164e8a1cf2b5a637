// The sound card's mixer on ALSA: the playback volume ("Master", else "PCM") and the
// microphone volume ("Capture", else "Mic") of one control device, on a scale of 0 to 65535
// whatever the card's own range, and a notice when either changes, by this program or by
// any other.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace varlo::mixer {

constexpr uint32_t kFullScale = 65535;

// The 0..65535 scale on a control's range min..max: rounding up on the way in and down on
// the way out, so that a value written reads back no lower and less than one step of the
// control higher.
long ToControlRange(uint32_t value, long min, long max);
uint32_t FromControlRange(long value, long min, long max);

// The playback device names, in the sound system's order (the order in which the sound
// channel lists them).
std::vector<std::string> PlaybackDeviceNames();
// The control device that holds a playback device's volumes: "hw:CARD=X" for a device on
// card X, the device's own name otherwise ("default", "pulse"); "" for "null" and empty.
std::string ControlDeviceOf(const std::string& pcmName);

class AlsaMixer {
 public:
  enum Volume { kSpeaker = 0, kMicrophone = 1 };
  // Called on the mixer's own thread when a volume has changed.
  using ChangeFn = std::function<void(Volume)>;

  // Opens a control device; null when it cannot be opened.  With `onChange` a thread
  // watches the device until the mixer is destroyed.
  static std::unique_ptr<AlsaMixer> Open(const std::string& controlDevice, ChangeFn onChange = {});
  // Stops and joins the watching thread before the device is closed.
  ~AlsaMixer();
  AlsaMixer(const AlsaMixer&) = delete;
  AlsaMixer& operator=(const AlsaMixer&) = delete;

  // Whether the card has that volume.
  bool Has(Volume volume) const;
  // The volume on the 0..65535 scale; false when the card has none or it cannot be read.
  bool Get(Volume volume, uint32_t& value);
  bool Set(Volume volume, uint32_t value);
  // The card's name, for the device's capabilities.
  std::string CardName() const;

 private:
  struct Impl;
  explicit AlsaMixer(std::unique_ptr<Impl> impl);
  std::unique_ptr<Impl> m;
};

}  // namespace varlo::mixer
