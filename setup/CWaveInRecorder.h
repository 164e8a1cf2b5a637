// Records from a sound device on its own thread and keeps the latest input level.
#pragma once

class CWaveInRecorder {
 public:
  CWaveInRecorder();
  ~CWaveInRecorder();
  CWaveInRecorder(const CWaveInRecorder&) = delete;
  CWaveInRecorder& operator=(const CWaveInRecorder&) = delete;
};
