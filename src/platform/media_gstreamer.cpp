// Placeholder until the GStreamer backend lands: every graph fails to render.
#include "platform/media.h"

struct MediaGraph {};
MediaGraph* mediaCreateGraph() { return nullptr; }
MediaControl* mediaQueryControl(MediaGraph*) { return nullptr; }
MediaSeeking* mediaQuerySeeking(MediaGraph*) { return nullptr; }
MediaAudio* mediaQueryAudio(MediaGraph*) { return nullptr; }
void mediaRelease(MediaGraph*) {}
MediaResult mediaRenderFile(MediaGraph*, const wchar_t*) { return kMediaNotFound; }
MediaResult mediaRun(MediaControl*) { return kMediaOk; }
MediaResult mediaStop(MediaControl*) { return kMediaOk; }
MediaResult mediaWaitForState(MediaControl*) { return kMediaOk; }
void mediaRelease(MediaControl*) {}
MediaResult mediaSetTimeFormatMediaTime(MediaSeeking*) { return kMediaOk; }
MediaResult mediaGetDuration(MediaSeeking*, std::int64_t* d) { *d = 0; return kMediaOk; }
MediaResult mediaGetCurrentPosition(MediaSeeking*, std::int64_t* p) { *p = 0; return kMediaOk; }
MediaResult mediaSetCurrentPosition(MediaSeeking*, std::int64_t) { return kMediaOk; }
void mediaRelease(MediaSeeking*) {}
MediaResult mediaPutVolume(MediaAudio*, long) { return kMediaOk; }
void mediaRelease(MediaAudio*) {}
