// Media backend over DirectShow: a COM filter graph per MediaGraph, reached through
// IGraphBuilder (held until the file is rendered, then released as the player has no more use
// for it), IMediaControl, IMediaSeeking (set to TIME_FORMAT_MEDIA_TIME, the 100-ns units of
// media.h) and IBasicAudio.
//
// Each graph initialises COM for its thread when it is created and uninitialises it when it is
// destroyed. Graphs still alive when the process exits are stopped and released by an exit
// handler: ending a process with a filter graph alive is not safe on every Windows
// implementation (under Wine it crashes).
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

struct MediaGraph {
  IGraphBuilder* builder = nullptr;  // released once the file is rendered
  IMediaControl* control = nullptr;
  IMediaSeeking* seeking = nullptr;
  IBasicAudio* audio = nullptr;
  bool comInitialised = false;
};

namespace {

constexpr long kLowestVolume = -10000;
constexpr long kHighestVolume = 0;

// Every graph not yet destroyed, for the exit handler.
std::vector<MediaGraph*> liveGraphs;
bool exitHandlerInstalled = false;

template <typename Interface>
void releaseInterface(Interface*& held) {
  if (held) held->Release();
  held = nullptr;
}

// Lets go of the interfaces (audio, control, seeking, then the builder if it is still held) and
// of COM. The record stays, empty.
void releaseGraph(MediaGraph& graph) {
  releaseInterface(graph.audio);
  releaseInterface(graph.control);
  releaseInterface(graph.seeking);
  releaseInterface(graph.builder);
  if (graph.comInitialised) CoUninitialize();
  graph.comInitialised = false;
}

void releaseLiveGraphsAtExit() {
  for (MediaGraph* graph : liveGraphs) {
    if (graph->control) graph->control->Stop();
    releaseGraph(*graph);
  }
  liveGraphs.clear();
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
MediaResult readTime(MediaGraph* graph, HRESULT (STDMETHODCALLTYPE IMediaSeeking::*read)(LONGLONG*),
                     std::int64_t* time) {
  if (!graph || !graph->seeking) return kMediaNoPlayback;
  LONGLONG value = 0;
  const HRESULT hr = (graph->seeking->*read)(&value);
  if (SUCCEEDED(hr)) *time = value;
  return fromHresult(hr);
}

}  // namespace

MediaGraph* mediaCreateGraph() {
  auto* graph = new MediaGraph;
  graph->comInitialised = SUCCEEDED(CoInitialize(nullptr));
  void* builder = nullptr;
  if (SUCCEEDED(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER,
                                 IID_IGraphBuilder, &builder))) {
    graph->builder = static_cast<IGraphBuilder*>(builder);
    graph->builder->QueryInterface(IID_IMediaControl, reinterpret_cast<void**>(&graph->control));
    graph->builder->QueryInterface(IID_IMediaSeeking, reinterpret_cast<void**>(&graph->seeking));
    graph->builder->QueryInterface(IID_IBasicAudio, reinterpret_cast<void**>(&graph->audio));
  }
  liveGraphs.push_back(graph);
  if (!exitHandlerInstalled) exitHandlerInstalled = std::atexit(releaseLiveGraphsAtExit) == 0;
  return graph;
}

void mediaDestroyGraph(MediaGraph* graph) {
  if (!graph) return;
  liveGraphs.erase(std::remove(liveGraphs.begin(), liveGraphs.end(), graph), liveGraphs.end());
  releaseGraph(*graph);
  delete graph;
}

// A graph that could not be created (CoCreateInstance failed) is reported as no playback; one
// that has rendered its file already has no builder left.
MediaResult mediaRenderFile(MediaGraph* graph, const char* fileName) {
  if (!graph || !graph->builder) return graph && graph->control ? kMediaNotReady : kMediaNoPlayback;
  const std::wstring wide = widen(fileName);
  if (wide.empty()) return kMediaNotFound;
  const HRESULT hr = graph->builder->RenderFile(wide.c_str(), nullptr);
  releaseInterface(graph->builder);
  if (graph->seeking) graph->seeking->SetTimeFormat(&TIME_FORMAT_MEDIA_TIME);
  return fromRenderResult(hr, wide.c_str());
}

MediaResult mediaRun(MediaGraph* graph) {
  return graph && graph->control ? fromHresult(graph->control->Run()) : kMediaNoPlayback;
}

MediaResult mediaStop(MediaGraph* graph) {
  return graph && graph->control ? fromHresult(graph->control->Stop()) : kMediaNoPlayback;
}

MediaResult mediaWaitForState(MediaGraph* graph) {
  OAFilterState state = State_Stopped;
  return graph && graph->control ? fromHresult(graph->control->GetState(INFINITE, &state)) : kMediaNoPlayback;
}

MediaResult mediaGetLength(MediaGraph* graph, std::int64_t* length) {
  return readTime(graph, &IMediaSeeking::GetDuration, length);
}

MediaResult mediaGetPosition(MediaGraph* graph, std::int64_t* position) {
  return readTime(graph, &IMediaSeeking::GetCurrentPosition, position);
}

MediaResult mediaSetPosition(MediaGraph* graph, std::int64_t position) {
  if (!graph || !graph->seeking) return kMediaNoPlayback;
  LONGLONG current = position;
  return fromHresult(
      graph->seeking->SetPositions(&current, AM_SEEKING_AbsolutePositioning, nullptr, AM_SEEKING_NoPositioning));
}

// The request always reaches the graph; a level outside the range is refused whatever the graph
// answers, as media.h promises.
MediaResult mediaPutVolume(MediaGraph* graph, long volume) {
  if (!graph || !graph->audio) return kMediaNoPlayback;
  const MediaResult result = fromHresult(graph->audio->put_Volume(volume));
  return volume < kLowestVolume || volume > kHighestVolume ? kMediaInvalidArg : result;
}
