// Media backend over DirectShow: the COM filter graph and its IGraphBuilder, IMediaControl,
// IMediaSeeking and IBasicAudio interfaces, one to one with the calls in media.h.
//
// Each graph initialises COM for its thread when it is created and uninitialises it once the
// builder and every interface taken from it have been released. References still held when the
// process exits are released by an exit handler, the graph stopped first: ending a process with a
// filter graph alive is not safe on every Windows implementation (under Wine it crashes).
//
// The demo's UTF-8 file names are turned into the wide names DirectShow takes here. HRESULTs are
// mapped to media.h's codes: the failures it names, a graph that could not be created
// (kMediaNoPlayback), the partial successes of RenderFile (kMediaNotAudio when the audio is the
// part that failed, else kMediaPartlyRendered) and the other success codes (kMediaOk); other
// failures are passed on as they are.
//
// Depends on ole32 and the DirectShow interface identifiers (strmiids), part of Windows.
#include <dshow.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/media.h"

// A COM reference handed out by this layer, and the graph it was taken from.
struct MediaReference {
  IUnknown* unknown = nullptr;  // null once released
  MediaGraph* graph = nullptr;
};

struct MediaGraph : MediaReference {
  int references = 0;  // the builder and the interfaces taken from it, not yet released
  bool comInitialised = false;
};
struct MediaControl : MediaReference {};
struct MediaSeeking : MediaReference {};
struct MediaAudio : MediaReference {};

namespace {

constexpr long kLowestVolume = -10000;
constexpr long kHighestVolume = 0;

// Every reference still held, in the order taken, for the exit handler.
std::vector<MediaReference*> heldReferences;
bool exitHandlerInstalled = false;

template <typename Interface>
Interface* com(const MediaReference* reference) {
  return reference ? static_cast<Interface*>(reference->unknown) : nullptr;
}

void hold(MediaReference* reference, IUnknown* unknown, MediaGraph* graph) {
  reference->unknown = unknown;
  reference->graph = graph;
  ++graph->references;
  heldReferences.push_back(reference);
}

// Releases the COM reference; once nothing of the graph is held, uninitialises COM for it.
// Returns true when the graph has no references left.
bool drop(MediaReference* reference) {
  MediaGraph* graph = reference->graph;
  if (reference->unknown) {
    reference->unknown->Release();
    reference->unknown = nullptr;
    heldReferences.erase(std::find(heldReferences.begin(), heldReferences.end(), reference));
    --graph->references;
  }
  if (graph->references > 0) return false;
  if (graph->comInitialised) CoUninitialize();
  graph->comInitialised = false;
  return true;
}

void releaseHeldReferencesAtExit() {
  for (MediaReference* reference : heldReferences) {
    IMediaControl* control = nullptr;
    if (SUCCEEDED(reference->unknown->QueryInterface(IID_IMediaControl, reinterpret_cast<void**>(&control)))) {
      control->Stop();
      control->Release();
    }
  }
  // Newest first: the interfaces, then the builders. The records stay, empty, for any caller that
  // still points at them.
  while (!heldReferences.empty()) drop(heldReferences.back());
}

MediaResult fromHresult(HRESULT hr) {
  switch (hr) {
    case HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND):
    case HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND):
    case VFW_E_NOT_FOUND: return kMediaNotFound;
    case E_ACCESSDENIED: return kMediaAccessDenied;
    case VFW_E_UNKNOWN_FILE_TYPE:
    case VFW_E_UNSUPPORTED_STREAM:
    case VFW_E_CANNOT_RENDER:
    case VFW_E_CANNOT_CONNECT:
    case VFW_E_INVALID_FILE_FORMAT: return kMediaNotAudio;
    case E_INVALIDARG: return kMediaInvalidArg;
    default: return SUCCEEDED(hr) ? kMediaOk : hr;
  }
}

// UTF-8 to the wide name the system's file calls take; empty when the bytes are not UTF-8.
std::wstring widen(const char* text) {
  const int length = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text, -1, nullptr, 0);
  if (length <= 0) return {};
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text, -1, wide.data(), length);
  wide.pop_back();  // the terminator the count included
  return wide;
}

// RenderFile's answer. Only S_OK is a whole success: its partial successes play part of the file
// or none of its sound. A path that names a directory is refused as access denied.
MediaResult fromRenderResult(HRESULT hr, const wchar_t* fileName) {
  if (hr == S_OK) return kMediaOk;
  if (hr == VFW_S_AUDIO_NOT_RENDERED) return kMediaNotAudio;
  if (SUCCEEDED(hr)) return kMediaPartlyRendered;
  const MediaResult result = fromHresult(hr);
  if (result != kMediaAccessDenied) return result;
  const DWORD attributes = GetFileAttributesW(fileName);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) ? kMediaIsDirectory
                                                                                         : result;
}

// Reads one media time (length or position); *time is left as it was when the graph has none.
MediaResult readTime(MediaSeeking* seeking, HRESULT (STDMETHODCALLTYPE IMediaSeeking::*read)(LONGLONG*),
                     std::int64_t* time) {
  IMediaSeeking* s = com<IMediaSeeking>(seeking);
  if (!s) return kMediaNotReady;
  LONGLONG value = 0;
  const HRESULT hr = (s->*read)(&value);
  if (SUCCEEDED(hr)) *time = value;
  return fromHresult(hr);
}

template <typename Handle>
Handle* query(MediaGraph* graph, REFIID id) {
  IGraphBuilder* builder = com<IGraphBuilder>(graph);
  void* found = nullptr;
  if (!builder || FAILED(builder->QueryInterface(id, &found))) return nullptr;
  auto* handle = new Handle;
  hold(handle, static_cast<IUnknown*>(found), graph);
  return handle;
}

template <typename Handle>
void release(Handle* handle) {
  if (!handle) return;
  MediaGraph* graph = handle->graph;
  const bool graphUnused = drop(handle);
  delete handle;
  if (graphUnused) delete graph;
}

}  // namespace

MediaGraph* mediaCreateGraph() {
  auto* graph = new MediaGraph;
  graph->comInitialised = SUCCEEDED(CoInitialize(nullptr));
  void* builder = nullptr;
  if (FAILED(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER,
                              IID_IGraphBuilder, &builder))) {
    if (graph->comInitialised) CoUninitialize();
    delete graph;
    return nullptr;
  }
  hold(graph, static_cast<IUnknown*>(builder), graph);
  if (!exitHandlerInstalled) exitHandlerInstalled = std::atexit(releaseHeldReferencesAtExit) == 0;
  return graph;
}

MediaControl* mediaQueryControl(MediaGraph* graph) { return query<MediaControl>(graph, IID_IMediaControl); }
MediaSeeking* mediaQuerySeeking(MediaGraph* graph) { return query<MediaSeeking>(graph, IID_IMediaSeeking); }
MediaAudio* mediaQueryAudio(MediaGraph* graph) { return query<MediaAudio>(graph, IID_IBasicAudio); }

// The builder's reference goes; the graph lives on while any interface taken from it is held.
void mediaRelease(MediaGraph* graph) {
  if (graph && drop(graph)) delete graph;
}

// A graph that could not be created (CoCreateInstance failed) is reported as no playback.
MediaResult mediaRenderFile(MediaGraph* graph, const char* fileName) {
  IGraphBuilder* builder = com<IGraphBuilder>(graph);
  if (!builder) return kMediaNoPlayback;
  const std::wstring wide = widen(fileName);
  if (wide.empty()) return kMediaNotFound;
  const HRESULT hr = builder->RenderFile(wide.c_str(), nullptr);
  return fromRenderResult(hr, wide.c_str());
}

MediaResult mediaRun(MediaControl* control) {
  IMediaControl* c = com<IMediaControl>(control);
  return c ? fromHresult(c->Run()) : kMediaNotReady;
}

MediaResult mediaStop(MediaControl* control) {
  IMediaControl* c = com<IMediaControl>(control);
  return c ? fromHresult(c->Stop()) : kMediaNotReady;
}

MediaResult mediaWaitForState(MediaControl* control) {
  IMediaControl* c = com<IMediaControl>(control);
  OAFilterState state = State_Stopped;
  return c ? fromHresult(c->GetState(INFINITE, &state)) : kMediaNotReady;
}

void mediaRelease(MediaControl* control) { release(control); }

MediaResult mediaSetTimeFormatMediaTime(MediaSeeking* seeking) {
  IMediaSeeking* s = com<IMediaSeeking>(seeking);
  return s ? fromHresult(s->SetTimeFormat(&TIME_FORMAT_MEDIA_TIME)) : kMediaNotReady;
}

MediaResult mediaGetDuration(MediaSeeking* seeking, std::int64_t* duration) {
  return readTime(seeking, &IMediaSeeking::GetDuration, duration);
}

MediaResult mediaGetCurrentPosition(MediaSeeking* seeking, std::int64_t* position) {
  return readTime(seeking, &IMediaSeeking::GetCurrentPosition, position);
}

MediaResult mediaSetCurrentPosition(MediaSeeking* seeking, std::int64_t position) {
  IMediaSeeking* s = com<IMediaSeeking>(seeking);
  if (!s) return kMediaNotReady;
  LONGLONG current = position;
  return fromHresult(s->SetPositions(&current, AM_SEEKING_AbsolutePositioning, nullptr, AM_SEEKING_NoPositioning));
}

void mediaRelease(MediaSeeking* seeking) { release(seeking); }

// The request always reaches the graph; a level outside the range is refused whatever the graph
// answers, as media.h promises.
MediaResult mediaPutVolume(MediaAudio* audio, long volume) {
  IBasicAudio* a = com<IBasicAudio>(audio);
  if (!a) return kMediaNotReady;
  const MediaResult result = fromHresult(a->put_Volume(volume));
  return volume < kLowestVolume || volume > kHighestVolume ? kMediaInvalidArg : result;
}

void mediaRelease(MediaAudio* audio) { release(audio); }
