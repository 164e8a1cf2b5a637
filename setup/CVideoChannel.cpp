#include "setup/CVideoChannel.h"

#include "setup/CVideoInputDevice.h"
#include "stack/video/PVideoDevice.h"

CVideoChannel::CVideoChannel() = default;

CVideoChannel::~CVideoChannel() { Close(); }

bool CVideoChannel::IsOpen() const {
  PWaitAndSignal lock(m_accessMutex);
  return m_reader != nullptr || m_player != nullptr;
}

bool CVideoChannel::Read(void* buffer, PINDEX length) {
  PWaitAndSignal lock(m_accessMutex);
  SetLastReadCount(0);
  if (m_reader == nullptr || buffer == nullptr || length <= 0) return false;
  PINDEX bytes = length;
  if (!m_reader->GetFrameData(static_cast<BYTE*>(buffer), &bytes)) return false;
  SetLastReadCount(bytes);
  return bytes > 0;
}

bool CVideoChannel::Write(const void* buffer, PINDEX) {
  PWaitAndSignal lock(m_accessMutex);
  return m_player != nullptr && m_player->Redraw(buffer);
}

bool CVideoChannel::Close() {
  PWaitAndSignal lock(m_accessMutex);
  CloseVideoReader();
  CloseVideoPlayer();
  return true;
}

unsigned CVideoChannel::GetGrabWidth() {
  PWaitAndSignal lock(m_accessMutex);
  return m_reader != nullptr ? m_reader->GetFrameWidth() : 0;
}

unsigned CVideoChannel::GetGrabHeight() {
  PWaitAndSignal lock(m_accessMutex);
  return m_reader != nullptr ? m_reader->GetFrameHeight() : 0;
}

BOOL CVideoChannel::DisplayFrame(const void* frame) {
  PWaitAndSignal lock(m_accessMutex);
  return m_player != nullptr && m_player->Redraw(frame);
}

void CVideoChannel::PassToPlayer(int value) {
  PWaitAndSignal lock(m_accessMutex);
  if (m_player != nullptr) m_player->SetNow(value);
}

void CVideoChannel::SetRenderFrameSize(unsigned width, unsigned height) {
  PWaitAndSignal lock(m_accessMutex);
  if (m_player != nullptr) m_player->SetFrameSize(width, height);
}

void CVideoChannel::SetGrabberFrameSize(unsigned width, unsigned height) {
  PWaitAndSignal lock(m_accessMutex);
  if (m_reader != nullptr) m_reader->SetFrameSize(width, height);
}

void CVideoChannel::AttachVideoPlayer(PVideoOutputDevice* player, BOOL autoDelete) {
  PWaitAndSignal lock(m_accessMutex);
  CloseVideoPlayer();
  m_player = player;
  m_ownsPlayer = autoDelete != FALSE;
}

void CVideoChannel::AttachVideoReader(CVideoInputDevice* reader, BOOL autoDelete) {
  PWaitAndSignal lock(m_accessMutex);
  CloseVideoReader();
  m_reader = reader;
  m_ownsReader = autoDelete != FALSE;
}

BOOL CVideoChannel::IsGrabberOpen() {
  PWaitAndSignal lock(m_accessMutex);
  return m_reader != nullptr && m_reader->IsOpen();
}

BOOL CVideoChannel::IsRenderOpen() {
  PWaitAndSignal lock(m_accessMutex);
  return m_player != nullptr && m_player->IsOpen();
}

void CVideoChannel::CloseVideoReader() {
  PWaitAndSignal lock(m_accessMutex);
  if (m_ownsReader) delete m_reader;
  m_reader = nullptr;
}

void CVideoChannel::CloseVideoPlayer() {
  PWaitAndSignal lock(m_accessMutex);
  if (m_ownsPlayer) delete m_player;
  m_player = nullptr;
}
