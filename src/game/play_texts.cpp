#include "game/play_texts.h"

#include "game/canvas_text.h"
#include "platform/cp1251.h"

namespace aerovell {

const TPlayTexts& PlayTexts() {
  static const TPlayTexts texts = [] {
    TPlayTexts t;
    t.Level = Utf8ToCp1251("Уровень ");
    t.GameOver = Utf8ToCp1251("Конец Игры");
    t.Paused = Utf8ToCp1251("Пауза");
    t.YourScore = Utf8ToCp1251("Ваши очки: ");
    t.EnterName = Utf8ToCp1251("Введите свое имя:");
    t.CountryLabel = Utf8ToCp1251("Ваша Страна:");
    t.CountryPrefix = Utf8ToCp1251("Ваша Страна: ");
    t.Ok = "OK";
    t.Cancel = Utf8ToCp1251("Отмена");
    t.SendScore = Utf8ToCp1251("Отправить очки");
    t.ToRecordsPage = Utf8ToCp1251("на страницу рекордов?");
    t.PleaseWait = Utf8ToCp1251("Пожалуйста подождите...");
    t.CannotConnect = Utf8ToCp1251("Не могу подключиться");
    t.ToServer = Utf8ToCp1251("     к серверу");
    return t;
  }();
  return texts;
}

}  // namespace aerovell
