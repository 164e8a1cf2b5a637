#include "setup/CWaveInRecorder.h"

CWaveInRecorder::CWaveInRecorder() = default;

CWaveInRecorder::~CWaveInRecorder() = default;
