#include "sound/wave_collection.h"

#include <algorithm>

namespace aerovell {

TCustomDXSound::~TCustomDXSound() {
  Finalize();
  Notify(TDXSoundNotifyType::dsntDestroying);
}

void TCustomDXSound::Notify(TDXSoundNotifyType kind) { notify_.Notify(*this, kind); }

void TCustomDXSound::Initialize() {
  Finalize();
  Notify(TDXSoundNotifyType::dsntInitializing);
  const int rate = platform_.OpenAudio(&mixer_);
  if (rate <= 0) return;  // no device: stay closed, play nothing
  mixer_.SetOutputRate(rate);
  initialized_ = true;
  try {
    Notify(TDXSoundNotifyType::dsntInitialize);
    Notify(TDXSoundNotifyType::dsntRestore);
  } catch (const EGameError&) {
    // A voice that cannot be made during start-up leaves the game silent, not stopped.
    Finalize();
  }
}

void TCustomDXSound::Finalize() {
  if (!initialized_) return;
  Notify(TDXSoundNotifyType::dsntFinalize);
  initialized_ = false;
  platform_.CloseAudio();
}

void TCustomDXSound::RegisterNotifyEvent(const void* component, TDXSoundNotifyEvent handler) {
  UnRegisterNotifyEvent(component);
  notify_.Add(component, handler);
  if (initialized_) {
    handler(*this, TDXSoundNotifyType::dsntInitialize);
    handler(*this, TDXSoundNotifyType::dsntRestore);
  }
}

void TCustomDXSound::UnRegisterNotifyEvent(const void* component) {
  const auto handler = notify_.Remove(component);
  if (handler && initialized_) (*handler)(*this, TDXSoundNotifyType::dsntFinalize);
}

TWaveCollectionItem::TWaveCollectionItem(TWaveCollection& owner) : THashCollectionItem(owner), collection_(owner) {}

Mixer* TWaveCollectionItem::Device() const { return collection_.Sound() ? &collection_.Sound()->Device() : nullptr; }

void TWaveCollectionItem::SetLooped(bool value) {
  if (Mixer* device = Device()) {
    if (base_ != Mixer::kNoVoice) device->Stop(base_);
    for (Mixer::VoiceId v : voices_) device->Stop(v);
  }
  looped_ = value;
}

void TWaveCollectionItem::SetMaxPlayingCount(int32_t value) {
  value = std::max(value, 0);
  if (value == max_playing_count_) return;
  if (prepared_) FreePlayVoices();
  max_playing_count_ = value;
}

void TWaveCollectionItem::FreePlayVoices() {
  if (Mixer* device = Device())
    for (Mixer::VoiceId v : voices_) device->Free(v);
  voices_.clear();
}

bool TWaveCollectionItem::MakeBaseVoice() {
  if (base_ != Mixer::kNoVoice) return true;
  Mixer* device = Device();
  if (!device || Wave.data.samples.empty()) return false;
  WaveFormat format;
  if (!ParsePcmFormat(Wave.data.format, format))
    throw EDirectSoundBufferError(Format("%s cannot be made", "Sound Buffer"));
  base_ = device->CreateVoice(format, Wave.data.samples);
  if (base_ == Mixer::kNoVoice) throw EDirectSoundBufferError(Format("%s cannot be made", "Sound Buffer"));
  device->SetFrequency(base_, 0);
  device->SetPan(base_, 0);
  device->SetVolume(base_, 0);
  return true;
}

void TWaveCollectionItem::Prepare() {
  if (Wave.data.samples.empty()) return;
  if (!prepared_ && collection_.DeviceReady()) prepared_ = true;
  if (!prepared_) return;
  MakeBaseVoice();
}

void TWaveCollectionItem::Release() {
  if (!prepared_) return;
  prepared_ = false;
  FreePlayVoices();
  if (Mixer* device = Device(); device && base_ != Mixer::kNoVoice) device->Free(base_);
  base_ = Mixer::kNoVoice;
}

void TWaveCollectionItem::Play() {
  if (!prepared_) return;
  Mixer* device = Device();
  if (!device || !MakeBaseVoice()) return;
  if (looped_) {
    device->Stop(base_);
    device->Rewind(base_);
    device->Play(base_, true);
    return;
  }
  Mixer::VoiceId voice = Mixer::kNoVoice;
  for (Mixer::VoiceId v : voices_)
    if (!device->IsPlaying(v)) {
      voice = v;
      break;
    }
  if (voice == Mixer::kNoVoice) {
    if (max_playing_count_ == 0 || static_cast<int32_t>(voices_.size()) < max_playing_count_) {
      voice = device->Duplicate(base_);
      if (voice == Mixer::kNoVoice) throw EDirectSoundBufferError(Format("%s cannot be made", "Sound Buffer"));
      voices_.push_back(voice);
    } else {
      // Every voice sounds: cut the oldest off and make it the newest.
      voice = voices_.front();
      voices_.erase(voices_.begin());
      voices_.push_back(voice);
    }
  }
  device->Stop(voice);
  device->Rewind(voice);
  device->SetFrequency(voice, 0);
  device->SetPan(voice, 0);
  device->SetVolume(voice, 0);
  device->Play(voice, false);
}

bool TWaveCollectionItem::FindProperty(std::string_view name, PropKind& kind) const {
  if (EqualsIgnoringAsciiCase(name, "Name")) kind = PropKind::kString;
  else if (EqualsIgnoringAsciiCase(name, "Looped")) kind = PropKind::kBoolean;
  else if (EqualsIgnoringAsciiCase(name, "MaxPlayingCount")) kind = PropKind::kInteger;
  else if (EqualsIgnoringAsciiCase(name, "Wave")) kind = PropKind::kObject;
  else return false;
  return true;
}

TWaveCollectionItem& TWaveCollection::FindByName(std::string_view name) const {
  const int index = IndexOf(name);
  if (index < 0)
    throw EWaveCollectionError(Format("Wave '%.*s' not found", static_cast<int>(name.size()), name.data()));
  return Item(index);
}

TWaveCollectionItem& TWaveCollection::Add() {
  return static_cast<TWaveCollectionItem&>(THashCollection::Add(std::make_unique<TWaveCollectionItem>(*this)));
}

void TWaveCollection::LoadLibraryFile(const std::string& path) {
  const FileBytes file = ReadWholeFile(path);
  LoadFromBytes(std::span(file.data(), file.size()));
}

void TWaveCollection::LoadFromBytes(std::span<const uint8_t> file) {
  LoadLibraryBytes(file, "TWaveCollectionComponent", *this);
  if (DeviceReady())
    for (int i = 0; i < Count(); ++i) Item(i).Prepare();
}

void TWaveCollection::Initialize(TCustomDXSound& sound) {
  Finalize();
  sound_ = &sound;
  if (sound.Initialized())
    for (int i = 0; i < Count(); ++i) Item(i).MarkPrepared();
}

void TWaveCollection::Finalize() {
  for (int i = 0; i < Count(); ++i) Item(i).Release();
}

void TWaveCollection::Restore() {
  for (int i = 0; i < Count(); ++i) Item(i).Prepare();
}

void TDXWaveList::SetDXSound(TCustomDXSound* sound) {
  if (dxsound_ == sound) return;
  Items.Detach();  // the items' voices belong to the device being left
  Rebind(dxsound_, sound, this, [this](TCustomDXSound& s, TDXSoundNotifyType kind) { Notify(s, kind); });
}

void TDXWaveList::Notify(TCustomDXSound& sound, TDXSoundNotifyType kind) {
  switch (kind) {
    case TDXSoundNotifyType::dsntDestroying: SetDXSound(nullptr); break;
    case TDXSoundNotifyType::dsntInitialize: Items.Initialize(sound); break;
    case TDXSoundNotifyType::dsntFinalize: Items.Finalize(); break;
    case TDXSoundNotifyType::dsntRestore: Items.Restore(); break;
    default: break;
  }
}

}  // namespace aerovell
