#include "game/play_texts.h"

#include "game/canvas_text.h"

namespace aerovell {

const TPlayTexts& PlayTexts() {
  static const TPlayTexts texts = [] {
    TPlayTexts t;
    t.Level = Cp1251("Уровень ");
    t.GameOver = Cp1251("Конец Игры");
    t.Paused = Cp1251("Пауза");
    t.YourScore = Cp1251("Ваши очки: ");
    t.EnterName = Cp1251("Введите свое имя:");
    t.CountryLabel = Cp1251("Ваша Страна:");
    t.CountryPrefix = Cp1251("Ваша Страна: ");
    t.Ok = "OK";
    t.Cancel = Cp1251("Отмена");
    t.SendScore = Cp1251("Отправить очки");
    t.ToRecordsPage = Cp1251("на страницу рекордов?");
    t.PleaseWait = Cp1251("Пожалуйста подождите...");
    t.CannotConnect = Cp1251("Не могу подключиться");
    t.ToServer = Cp1251("     к серверу");
    return t;
  }();
  return texts;
}

}  // namespace aerovell
