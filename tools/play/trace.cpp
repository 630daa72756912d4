#include "play/trace.h"

#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <map>

#include "actors/hero.h"
#include "actors/scenery.h"
#include "platform/cp1251.h"

namespace aerovell::play {
namespace {

// The classes that take their picture by position in the library.
bool TakesPictureByIndex(const TSprite& s) {
  return dynamic_cast<const TMenuBackground*>(&s) || dynamic_cast<const TClosingWindow*>(&s) ||
         dynamic_cast<const TMountain*>(&s) || dynamic_cast<const TStatusSprite*>(&s) ||
         dynamic_cast<const THeroSprite*>(&s) || dynamic_cast<const TMenuItem*>(&s) ||
         dynamic_cast<const TSubBackground*>(&s) || dynamic_cast<const THelpImageSprite*>(&s);
}

const TPictureCollectionItem* PictureOf(const TSprite& s) {
  if (const auto* image = dynamic_cast<const TImageSprite*>(&s)) return image->Picture;
  if (const auto* background = dynamic_cast<const TBackgroundSprite*>(&s)) return background->Picture;
  return nullptr;
}

void CountSprites(const TSprite& parent, std::map<std::string, int>& counts) {
  for (int i = 0; i < parent.ChildCount(); ++i) {
    const TSprite& s = parent.Child(i);
    if (!s.IsDead()) ++counts[PictureKey(s)];
    CountSprites(s, counts);
  }
}

void AppendJsonString(std::string& out, std::string_view s) {
  out += '"';
  for (char c : s) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (static_cast<unsigned char>(c) < 0x20) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned char>(c));
      out += escaped;
    } else {
      out += c;
    }
  }
  out += '"';
}

}  // namespace

uint32_t Crc32(const void* data, size_t size, uint32_t crc) {
  const auto* bytes = static_cast<const Bytef*>(data);
  // zlib takes lengths as uInt: a frame is far below that, but stay correct for any size.
  while (size > 0) {
    const auto chunk = static_cast<uInt>(std::min<size_t>(size, 1u << 30));
    crc = static_cast<uint32_t>(crc32(crc, bytes, chunk));
    bytes += chunk;
    size -= chunk;
  }
  return crc;
}

std::string PictureKey(const TSprite& sprite) {
  const TPictureCollectionItem* picture = PictureOf(sprite);
  if (!picture) return "-";
  if (TakesPictureByIndex(sprite)) return "#" + std::to_string(picture->Index());
  return Cp1251ToUtf8(picture->Name());
}

std::string TraceLine(TGameCore& game, int frame) {
  const TPlayState& g = game.Play;
  char buffer[512];
  std::string out;
  std::snprintf(buffer, sizeof buffer,
                "{\"frame\":%d,\"state\":%u,\"level\":%u,\"score\":%u,\"lives\":%d,\"kills\":%u,\"message\":%d,"
                "\"respawn\":%d,\"enemyDelay\":%u,\"bonusDelay\":%u,\"weaponTime\":%d,\"bombTime\":%d,"
                "\"shieldTime\":%d,\"pickupTime\":%d,",
                frame, static_cast<unsigned>(g.GameState), g.Level, g.Score, g.Lives, g.LevelKills, g.MessageTimer,
                g.RespawnDelay, g.EnemySpawnDelay, g.BonusSpawnDelay, g.WeaponTime, g.BombTime, g.ShieldTime,
                g.PickupTime);
  out += buffer;
  if (const THeroSprite* hero = g.HeroSprite.get()) {
    std::snprintf(buffer, sizeof buffer,
                  "\"hero\":{\"x\":%d,\"y\":%d,\"health\":%d,\"visible\":%s,\"weapon\":%d,\"fireRate\":%d,"
                  "\"hasBomb\":%s},",
                  hero->X, hero->Y, hero->Health, hero->Visible ? "true" : "false", hero->WeaponKind, hero->FireRate,
                  hero->HasBomb ? "true" : "false");
    out += buffer;
  } else {
    out += "\"hero\":null,";
  }
  std::map<std::string, int> counts;
  CountSprites(game.DXSpriteEngine1.Engine(), counts);
  out += "\"sprites\":{";
  bool first = true;
  for (const auto& [key, count] : counts) {
    if (!first) out += ',';
    first = false;
    AppendJsonString(out, key);
    out += ':' + std::to_string(count);
  }
  const Surface& surface = game.DXDraw.BackSurface();
  const auto pixels = surface.Pixels();
  std::snprintf(buffer, sizeof buffer, "},\"crc\":%u}", Crc32(pixels.data(), pixels.size_bytes()));
  out += buffer;
  return out;
}

}  // namespace aerovell::play
