#include "stack/codec/H323Codec.h"

H323Codec::H323Codec(const char* mediaFormat, Direction direction) : m_direction(direction) {
  if (const H323MediaFormat* f = H323MediaFormat::Find(mediaFormat)) {
    m_mediaFormat = *f;
  } else {
    PAssert(false, "unknown media format");
    m_mediaFormat.name = mediaFormat;
  }
}

H323Codec::~H323Codec() { ReleaseChannel(); }

void H323Codec::ReleaseChannel() {
  std::lock_guard lock(m_channelMutex);
  if (m_deleteChannel) delete m_rawChannel;
  m_rawChannel = nullptr;
  m_deleteChannel = false;
}

bool H323Codec::AttachChannel(PChannel* channel, bool autoDelete) {
  if (channel != GetRawDataChannel()) ReleaseChannel();
  std::lock_guard lock(m_channelMutex);
  m_rawChannel = channel;
  m_deleteChannel = channel != nullptr && autoDelete;
  return channel != nullptr;
}

PChannel* H323Codec::SwapChannel(PChannel* channel, bool autoDelete) {
  std::lock_guard lock(m_channelMutex);
  PChannel* old = m_rawChannel;
  m_rawChannel = channel;
  m_deleteChannel = channel != nullptr && autoDelete;
  return old;
}

PChannel* H323Codec::GetRawDataChannel() const {
  std::lock_guard lock(m_channelMutex);
  return m_rawChannel;
}

void H323Codec::Close() {
  PChannel* channel = GetRawDataChannel();
  if (channel != nullptr) channel->Close();
}

bool H323Codec::ReadRaw(void* buffer, PINDEX length) {
  PChannel* channel = GetRawDataChannel();
  if (channel == nullptr || !channel->Read(buffer, length)) return false;
  return channel->GetLastReadCount() == length;
}

bool H323Codec::WriteRaw(const void* buffer, PINDEX length) {
  PChannel* channel = GetRawDataChannel();
  if (channel == nullptr || !channel->Write(buffer, length)) return false;
  m_samplesWritten += static_cast<uint64_t>(length) / 2;
  return true;
}
