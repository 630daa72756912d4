#pragma once

#include <functional>
#include <string>
#include <vector>

#include "engine/hash_collection.h"
#include "engine/notify_list.h"
#include "engine/object_stream.h"
#include "sound/mixer.h"
#include "sound/wave_data.h"

namespace aerovell {

class EWaveCollectionError : public EGameError {
 public:
  using EGameError::EGameError;
};
class EDirectSoundBufferError : public EGameError {
 public:
  using EGameError::EGameError;
};

enum class TDXSoundNotifyType : uint8_t {
  dsntDestroying = 0,
  dsntInitializing = 1,
  dsntInitialize = 2,
  dsntFinalize = 3,
  dsntRestore = 4,
};

class TCustomDXSound;
using TDXSoundNotifyEvent = std::function<void(TCustomDXSound& sender, TDXSoundNotifyType kind)>;

// The sound-device component: opens the platform's output and mixes into it.
// When there is no device it stays closed and every play request is silent.
class TCustomDXSound {
 public:
  explicit TCustomDXSound(Platform& platform) : platform_(platform) {}
  ~TCustomDXSound();
  TCustomDXSound(const TCustomDXSound&) = delete;
  TCustomDXSound& operator=(const TCustomDXSound&) = delete;

  bool AutoInitialize = true;
  void Initialize();
  void Finalize();
  bool Initialized() const { return initialized_; }
  Mixer& Device() { return mixer_; }

  void RegisterNotifyEvent(const void* component, TDXSoundNotifyEvent handler);
  void UnRegisterNotifyEvent(const void* component);

 private:
  void Notify(TDXSoundNotifyType kind);
  Platform& platform_;
  Mixer mixer_;
  bool initialized_ = false;
  NotifyList<TCustomDXSound, TDXSoundNotifyType> notify_;
};

// The published name of the sound device; it adds nothing to the class.
using TDXSound = TCustomDXSound;

class TWaveCollection;

// The `Wave` holder as the stream sees it: one binary property, `WAVE`.
class TWave final : public StreamObject {
 public:
  std::string_view ClassName() const override { return "TWave"; }
  bool FindProperty(std::string_view, PropKind&) const override { return false; }
  bool HasBinaryProperty(std::string_view name) const override { return EqualsIgnoringAsciiCase(name, "WAVE"); }
  void ReadBinaryProperty(std::string_view, std::span<const uint8_t> bytes) override { data = ReadWave(bytes); }
  TWaveData data;
};

// One sound of the library, with its voices.
class TWaveCollectionItem final : public THashCollectionItem, public StreamObject {
 public:
  explicit TWaveCollectionItem(TWaveCollection& owner);
  ~TWaveCollectionItem() override { Release(); }

  TWave Wave;
  bool Looped() const { return looped_; }
  void SetLooped(bool value);
  int32_t MaxPlayingCount() const { return max_playing_count_; }
  void SetMaxPlayingCount(int32_t value);

  // Starts one voice and returns at once; nothing when the item is not prepared.
  void Play();

  void Prepare();
  void Release();
  void MarkPrepared() { prepared_ = true; }
  bool Prepared() const { return prepared_; }
  const std::vector<Mixer::VoiceId>& PlayVoices() const { return voices_; }

  // StreamObject.
  std::string_view ClassName() const override { return "TWaveCollectionItem"; }
  bool FindProperty(std::string_view name, PropKind& kind) const override;
  void SetInteger(std::string_view, int32_t value) override { SetMaxPlayingCount(value); }
  void SetBoolean(std::string_view, bool value) override { SetLooped(value); }
  void SetString(std::string_view, const std::string& value) override { SetName(value); }
  StreamObject* GetObject(std::string_view) override { return &Wave; }
  void SetObjectNil(std::string_view) override { Wave.data = {}; }

 private:
  bool MakeBaseVoice();
  void FreePlayVoices();
  Mixer* Device() const;

  TWaveCollection& collection_;
  bool looped_ = false;
  int32_t max_playing_count_ = 0;
  bool prepared_ = false;
  Mixer::VoiceId base_ = Mixer::kNoVoice;
  std::vector<Mixer::VoiceId> voices_;
};

class TWaveCollection final : public THashCollection, public StreamObject {
 public:
  ~TWaveCollection() override { Clear(); }

  TWaveCollectionItem& Item(int index) const { return static_cast<TWaveCollectionItem&>(ItemAt(index)); }
  TWaveCollectionItem& FindByName(std::string_view name) const;
  TWaveCollectionItem& Add();

  void LoadLibraryFile(const std::string& path);
  void LoadFromBytes(std::span<const uint8_t> file);

  void Initialize(TCustomDXSound& sound);
  void Finalize();
  void Detach() {
    Finalize();
    sound_ = nullptr;
  }
  void Restore();
  TCustomDXSound* Sound() const { return sound_; }
  bool DeviceReady() const { return sound_ && sound_->Initialized(); }

  // StreamObject.
  std::string_view ClassName() const override { return "TWaveCollection"; }
  bool FindProperty(std::string_view, PropKind&) const override { return false; }
  bool IsCollection() const override { return true; }
  void ClearItems() override { Clear(); }
  StreamObject& AddItem() override { return Add(); }

 private:
  TCustomDXSound* sound_ = nullptr;
};

// The wave-list component, bound to the sound device for its notices.
class TDXWaveList {
 public:
  TDXWaveList() = default;
  ~TDXWaveList() { SetDXSound(nullptr); }
  TDXWaveList(const TDXWaveList&) = delete;
  TDXWaveList& operator=(const TDXWaveList&) = delete;

  TWaveCollection Items;
  void SetDXSound(TCustomDXSound* sound);

 private:
  void Notify(TCustomDXSound& sound, TDXSoundNotifyType kind);
  TCustomDXSound* dxsound_ = nullptr;
};

}  // namespace aerovell
