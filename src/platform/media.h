// The media layer: a playback graph for one sound file, shaped after what the soundtrack player
// uses of it. A graph hands out three interfaces (control, seeking, audio), each holding a
// reference; the graph lives until the builder and all three are released.
//
// Times are media time: 64-bit counts of 1/kMediaUnitsPerSecond seconds. File names are UTF-8.
// Results are 0 for success and negative values for failures that mediaDescribeResult() puts
// into words; a backend maps its own codes onto these.
//
// Backends: media_gstreamer.cpp (Linux; plays silently in real time when the machine has no audio
// output), media_dshow.cpp (Windows) and the tests' fake. All calls come from one thread; the backend may stream on
// threads of its own.
#pragma once

#include <cstdint>

struct MediaGraph;
struct MediaControl;
struct MediaSeeking;
struct MediaAudio;

// Media time units per second: 100-nanosecond units.
inline constexpr std::int64_t kMediaUnitsPerSecond = 10'000'000;

using MediaResult = long;
inline constexpr MediaResult kMediaOk = 0;
inline constexpr MediaResult kMediaNotFound = -1;       // no such file
inline constexpr MediaResult kMediaAccessDenied = -2;   // exists but cannot be read
inline constexpr MediaResult kMediaIsDirectory = -3;    // a directory, not a file
inline constexpr MediaResult kMediaNotAudio = -4;       // no audio stream could be decoded from it
inline constexpr MediaResult kMediaTimedOut = -5;       // the graph did not get ready in time
inline constexpr MediaResult kMediaInvalidArg = -6;     // an argument outside its range
inline constexpr MediaResult kMediaNotReady = -7;       // no file has been rendered into the graph
inline constexpr MediaResult kMediaNoPlayback = -8;     // the platform's playback could not be started
inline constexpr MediaResult kMediaNotRegularFile = -9; // a pipe, device or socket, not a file
inline constexpr MediaResult kMediaPartlyRendered = -10; // some of the file's streams cannot be played

MediaGraph* mediaCreateGraph();
MediaControl* mediaQueryControl(MediaGraph* graph);
MediaSeeking* mediaQuerySeeking(MediaGraph* graph);
MediaAudio* mediaQueryAudio(MediaGraph* graph);
void mediaRelease(MediaGraph* graph);

// Builds the graph that plays the file (a UTF-8 name) and waits until it is ready to play, or has
// failed.
MediaResult mediaRenderFile(MediaGraph* graph, const char* fileName);

MediaResult mediaRun(MediaControl* control);
MediaResult mediaStop(MediaControl* control);  // pauses; the position is kept
MediaResult mediaWaitForState(MediaControl* control);  // waits until a state change has settled
void mediaRelease(MediaControl* control);

MediaResult mediaSetTimeFormatMediaTime(MediaSeeking* seeking);
MediaResult mediaGetDuration(MediaSeeking* seeking, std::int64_t* duration);
MediaResult mediaGetCurrentPosition(MediaSeeking* seeking, std::int64_t* position);
MediaResult mediaSetCurrentPosition(MediaSeeking* seeking, std::int64_t position);  // absolute; stop unchanged
void mediaRelease(MediaSeeking* seeking);

// Volume in hundredths of a decibel, -10000 (silence) to 0 (full); outside that range the request
// is refused with kMediaInvalidArg and the volume stays as it was.
MediaResult mediaPutVolume(MediaAudio* audio, long volume);
void mediaRelease(MediaAudio* audio);

// A short phrase for a result, such as "no such file".
inline const char* mediaDescribeResult(MediaResult result) {
  switch (result) {
    case kMediaOk: return "no error";
    case kMediaNotFound: return "no such file";
    case kMediaAccessDenied: return "permission denied";
    case kMediaIsDirectory: return "is a directory";
    case kMediaNotAudio: return "no audio stream could be decoded from it";
    case kMediaTimedOut: return "the media graph did not get ready in time";
    case kMediaInvalidArg: return "invalid argument";
    case kMediaNotReady: return "nothing has been rendered into the graph";
    case kMediaNotRegularFile: return "not a regular file";
    case kMediaNoPlayback: return "the system's media playback could not be started";
    case kMediaPartlyRendered: return "only part of it could be played (a stream in it has no decoder)";
    default: return "the media graph failed";
  }
}
