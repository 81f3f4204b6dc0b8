// What a bill reads and what it makes must be numbers a bill can carry: a
// value that is not (text where SQLite keeps it, an infinity, a NaN, a head
// count below zero, a comanda number longer than the store's indexes hold, a
// total beyond what a double holds) fails the bill, naming where it came
// from, and the bill's transaction then leaves the store as it was.
#ifndef CONTA_BILL_BILL_CHECKS_H_
#define CONTA_BILL_BILL_CHECKS_H_

#include <string>

#include "bill/bill_values.h"
#include "frame/data_module.h"

namespace Srv_Xol41260 {

// Text in a numeric column of an item of the listed comandas of open sales
// (on SQLite, which keeps it and would bill it as 0); other engines type
// their columns.
void ConfereNumerosDosItens(TdtmFuncoesRev& dm, const std::string& lista)
    CONTA_REQUIRES(moduleMutex);

// The comandas the bill read: every number finite, no head count below
// zero, no comanda number longer than 10 characters.
void ConfereComandas(conta::ClientDataSet& comandas);

// The error of a list that found no open comanda; it names a number of the
// list longer than the store's comanda numbers, which is found nowhere.
std::string SemComandas(const std::string& lista, const std::string& filial);

// The items the bill read: every number finite.
void ConfereItens(conta::ClientDataSet& itens);

// The bill's figures: every one finite.
void ConfereFiguras(const ValoresConta& v);

}  // namespace Srv_Xol41260

#endif  // CONTA_BILL_BILL_CHECKS_H_
