// Days and times of the history as the store database writes them: a day is
// a count of days since 1970-01-01, a time of day a count of minutes, and
// both become "YYYY-MM-DD HH:MM:00.000" text. No clock and no time zone: the
// history's days are the store's local days.
#ifndef CONTA_HISTORY_CALENDAR_H_
#define CONTA_HISTORY_CALENDAR_H_

#include <cstdio>
#include <string>

namespace conta::history {

struct Data {
  int ano = 1970, mes = 1, dia = 1;
};

// Days since 1970-01-01 of a date of the proleptic Gregorian calendar
// (H. Hinnant's days_from_civil).
constexpr int diasDesde1970(Data d) {
  const int y = d.mes <= 2 ? d.ano - 1 : d.ano;
  const int era = (y >= 0 ? y : y - 399) / 400;
  const int yoe = y - era * 400;
  const int doy = (153 * (d.mes + (d.mes > 2 ? -3 : 9)) + 2) / 5 + d.dia - 1;
  const int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

// The date of a day count (civil_from_days).
constexpr Data dataDoDia(int dias) {
  const int z = dias + 719468;
  const int era = (z >= 0 ? z : z - 146096) / 146097;
  const int doe = z - era * 146097;
  const int yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int mp = (5 * doy + 2) / 153;
  const int dia = doy - (153 * mp + 2) / 5 + 1;
  const int mes = mp < 10 ? mp + 3 : mp - 9;
  return {yoe + era * 400 + (mes <= 2 ? 1 : 0), mes, dia};
}

// 0 Sunday ... 6 Saturday (1970-01-01 was a Thursday).
constexpr int diaDaSemana(int dias) {
  return ((dias % 7) + 11) % 7;
}

static_assert(diasDesde1970({1970, 1, 1}) == 0);
static_assert(diasDesde1970({2026, 11, 30}) == 20787);
static_assert(dataDoDia(20787).ano == 2026 && dataDoDia(20787).mes == 11 &&
              dataDoDia(20787).dia == 30);
static_assert(diaDaSemana(20787) == 1);  // a Monday

// "YYYY-MM-DD".
inline std::string textoData(int dias) {
  const Data d = dataDoDia(dias);
  char text[48];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d", d.ano, d.mes, d.dia);
  return text;
}

// Writes "YYYY-MM-DD HH:MM:00.000" into `out` (minutes past midnight of the
// day; past 24 hours run into the next day). Reuses out's storage.
inline void textoDataHora(int dias, int minutos, std::string& out) {
  const Data d = dataDoDia(dias + minutos / 1440);
  minutos %= 1440;
  char text[64];
  const int n = std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:00.000", d.ano, d.mes,
                              d.dia, minutos / 60, minutos % 60);
  out.assign(text, static_cast<std::size_t>(n));
}

}  // namespace conta::history

#endif  // CONTA_HISTORY_CALENDAR_H_
