#!/usr/bin/env python3
"""An example host of libconta in Python: bills the joined tables of the demo store through the
C interface (ctypes, standard library only) and prints what a point-of-sale server gets back.

Every C call that can fail returns CONTA_OK or a status and hands back a message that the host
frees with conta_free(). On any failure this host prints the message and exits with status 1.
"""
import argparse
import ctypes
import ctypes.util
import json
import os
import sys

# ---- the C interface, as include/conta/conta.h declares it ----------------------------------

CONTA_OK = 0
CONTA_ERROR = 1
CONTA_ABORTED = 2
CONTA_INVALID_ARGUMENT = 3

# The result entries by index, and their names.
CONTA_VR_CONSUMACAO = 0
CONTA_VR_TOTAL_CONTA = 1
CONTA_VR_TOTAL_ITENS = 2
CONTA_VR_BASE_TAXA = 3
CONTA_VR_PRECO_CONSUMACAO = 4
CONTA_VR_COUVERT = 5
CONTA_VR_TAXA_SERVICO = 6
CONTA_VR_ACRESCIMO_COMANDAS = 7
CONTA_VR_TOTAL_DESCONTO = 8
CONTA_COMANDAS = 9
CONTA_ITENS = 10
CONTA_QTDE_PESSOAS = 11
CONTA_VR_TAXA_CALCULADA = 12
CONTA_VR_DESCONTO_MANUAL = 13
CONTA_ENTRY_COUNT = 14

ENTRY_NAMES = {
    CONTA_VR_CONSUMACAO: "VrConsumacao",
    CONTA_VR_TOTAL_CONTA: "VrTotalConta",
    CONTA_VR_TOTAL_ITENS: "VrTotalItens",
    CONTA_VR_BASE_TAXA: "VrBaseTaxa",
    CONTA_VR_PRECO_CONSUMACAO: "VrPrecoConsumacao",
    CONTA_VR_COUVERT: "VrCouvert",
    CONTA_VR_TAXA_SERVICO: "VrTaxaServico",
    CONTA_VR_ACRESCIMO_COMANDAS: "VrAcrescimoComandas",
    CONTA_VR_TOTAL_DESCONTO: "VrTotalDesconto",
    CONTA_COMANDAS: "Comandas",
    CONTA_ITENS: "Itens",
    CONTA_QTDE_PESSOAS: "QtdePessoas",
    CONTA_VR_TAXA_CALCULADA: "VrTaxaCalculada",
    CONTA_VR_DESCONTO_MANUAL: "VrDescontoManual",
}

# A text the library allocates and the host frees with conta_free. Declared as char* rather
# than c_char_p: ctypes turns a c_char_p result into bytes at once and the pointer to free is
# lost.
OwnedText = ctypes.POINTER(ctypes.c_char)


class ContaBillRequest(ctypes.Structure):
    _fields_ = [
        ("lista_comandas", ctypes.c_char_p),
        ("tipo_conta", ctypes.c_char_p),
        ("cobra_consumacao", ctypes.c_int),
        ("cobra_couvert", ctypes.c_int),
        ("cobra_taxa", ctypes.c_int),
        ("lugares_mesa", ctypes.c_char_p),
        ("itens_excluidos", ctypes.c_char_p),
    ]


class ContaPacket(ctypes.Structure):
    _fields_ = [("data", ctypes.POINTER(ctypes.c_ubyte)), ("size", ctypes.c_size_t)]


class ContaBill(ctypes.Structure):
    _fields_ = [
        ("values", ctypes.c_double * CONTA_ENTRY_COUNT),  # entries 9 and 10 are 0 here
        ("comandas", ContaPacket),  # entry 9
        ("itens", ContaPacket),  # entry 10
    ]


class ContaReport(ctypes.Structure):
    _fields_ = [
        ("kind", ctypes.c_int),
        ("operation", ctypes.c_char_p),
        ("unit", ctypes.c_char_p),
        ("context", ctypes.c_char_p),
        ("text", ctypes.c_char_p),
    ]


ContaReportFn = ctypes.CFUNCTYPE(None, ctypes.c_void_p, ctypes.POINTER(ContaReport))


def declare(lib):
    """Sets the argument and result types of the functions this host calls."""
    error = ctypes.POINTER(OwnedText)  # char** error
    signatures = {
        "conta_set_report_sink": (None, [ContaReportFn, ctypes.c_void_p]),
        "conta_set_connection_string": (ctypes.c_int, [ctypes.c_char_p, error]),
        "conta_set_host_directory": (ctypes.c_int, [ctypes.c_char_p, error]),
        "conta_connect": (ctypes.c_int, [error]),
        "conta_calcula": (
            ctypes.c_int,
            [ctypes.POINTER(ContaBillRequest), ctypes.POINTER(ContaBill), error],
        ),
        "conta_calcula_previa": (
            ctypes.c_int,
            [ctypes.POINTER(ContaBillRequest), ctypes.POINTER(ContaBill), error],
        ),
        "conta_calcula_explicada": (
            ctypes.c_int,
            [
                ctypes.POINTER(ContaBillRequest),
                ctypes.c_int,
                ctypes.POINTER(ContaBill),
                ctypes.POINTER(OwnedText),
                error,
            ],
        ),
        "conta_bill_free": (None, [ctypes.POINTER(ContaBill)]),
        "conta_packet_convert": (
            ctypes.c_int,
            [
                ctypes.POINTER(ctypes.c_ubyte),
                ctypes.c_size_t,
                ctypes.c_char_p,
                ctypes.POINTER(OwnedText),
                ctypes.POINTER(ctypes.c_size_t),
                error,
            ],
        ),
        "conta_create_demo_store": (ctypes.c_int, [ctypes.c_char_p, error]),
        "conta_free": (None, [OwnedText]),
        # A static text of the library: c_char_p is right here, and it is never freed.
        "conta_version": (ctypes.c_char_p, []),
    }
    for name, (restype, argtypes) in signatures.items():
        function = getattr(lib, name)
        function.restype = restype
        function.argtypes = argtypes


# ---- the host --------------------------------------------------------------------------------


class ContaError(Exception):
    pass


class Conta:
    """The library, with each failing call turned into a ContaError carrying its message."""

    def __init__(self, path):
        self.lib = ctypes.CDLL(path)
        declare(self.lib)
        self._sink = None  # the report callback, kept alive while the library holds it

    def _call(self, name, *args):
        error = OwnedText()
        status = getattr(self.lib, name)(*args, ctypes.byref(error))
        if status != CONTA_OK:
            message = self.take_text(error) if error else "(no message)"
            raise ContaError(f"{name} failed (status {status}): {message}")

    def take_text(self, text, size=None):
        """Copies a library-owned text into a Python str and frees it."""
        try:
            raw = ctypes.string_at(text) if size is None else ctypes.string_at(text, size)
            return raw.decode("utf-8", "replace")
        finally:
            self.lib.conta_free(text)

    def version(self):
        return self.lib.conta_version().decode()

    def create_demo_store(self, directory):
        self._call("conta_create_demo_store", os.fsencode(directory))

    def set_host_directory(self, directory):
        self._call("conta_set_host_directory", os.fsencode(directory))

    def set_connection_string(self, text):
        self._call("conta_set_connection_string", text.encode())

    def set_report_sink(self, function):
        """function(kind, operation, unit, context, text), or None for standard error."""
        if function is None:
            self.lib.conta_set_report_sink(ContaReportFn(), None)
            self._sink = None
            return

        def sink(user_data, report):
            # The texts are valid during this call only; c_char_p copies them into bytes.
            r = report.contents
            texts = [
                (t or b"").decode("utf-8", "replace")
                for t in (r.operation, r.unit, r.context, r.text)
            ]
            function(r.kind, *texts)

        # ctypes frees a callback once nothing refers to it; the library would then call freed
        # code. Keep it until it is replaced.
        self._sink = ContaReportFn(sink)
        self.lib.conta_set_report_sink(self._sink, None)

    def calcula(self, request, previa=False):
        """The bill and its explanation: a ContaBill the caller frees with bill_free, and a dict
        (why each charge is what it is). previa: a preview, computed whole and then rolled back,
        so that nothing changes in the store."""
        bill = ContaBill()
        explanation = OwnedText()
        self._call(
            "conta_calcula_explicada",
            ctypes.byref(request),
            1 if previa else 0,
            ctypes.byref(bill),
            ctypes.byref(explanation),
        )
        return bill, json.loads(self.take_text(explanation))

    def bill_free(self, bill):
        self.lib.conta_bill_free(ctypes.byref(bill))

    def packet_as_json(self, packet):
        """A packet of the bill (binary) converted by the library and parsed."""
        text = OwnedText()
        size = ctypes.c_size_t()
        self._call(
            "conta_packet_convert",
            packet.data,
            packet.size,
            b"json",
            ctypes.byref(text),
            ctypes.byref(size),
        )
        return json.loads(self.take_text(text, size.value))


def rows_by_name(packet):
    """The rows of a JSON packet as dicts keyed by field name."""
    names = [field["name"] for field in packet["fields"]]
    return [dict(zip(names, row)) for row in packet["rows"]]


def find_library(given):
    if given:
        return given
    if os.environ.get("CONTA_LIBRARY"):
        return os.environ["CONTA_LIBRARY"]
    return ctypes.util.find_library("conta") or "libconta.so.0"


def print_report(kind, operation, unit, context, text):
    if kind == 0:  # a failed database operation
        print(f"report: {operation} failed in {unit} ({context}): {text}")
    else:  # 3: a bill rule's message
        print(f"report (kind {kind}): {text}")


def run(args):
    conta = Conta(find_library(args.library))
    print(f"libconta {conta.version()}")

    # The store: a new demo store unless the directory already holds one.
    store = args.store
    if not os.path.exists(os.path.join(store, "PARAMETROSXOL.CDS")):
        conta.create_demo_store(store)
        print(f"demo store created in {store}")
    else:
        print(f"store in {store}")

    # The store's parameters are read once per process: the host directory comes first.
    conta.set_host_directory(store)
    # "" is the embedded SQLite store Dados/loja.db under the host directory.
    conta.set_connection_string(args.connection or os.environ.get("CONTA_CONNECTION") or "")
    conta.set_report_sink(print_report)

    # The demo's table 10 (comandas 0012 and 0013) joined with table 11 (comanda 0021), with the
    # persons of the sales (kind "2"), minimum consumption, cover and service charge, every seat.
    request = ContaBillRequest(b"0012_0013_0021", b"2", 1, 1, 1, b"T", b"")
    bill, explanation = conta.calcula(request, previa=args.previa)
    try:
        what = "preview (nothing written to the store)" if args.previa else "bill"
        print(f"\n{what} of comandas {request.lista_comandas.decode()} (kind 2)")
        for index in range(CONTA_ENTRY_COUNT):
            name = ENTRY_NAMES[index]
            if index in (CONTA_COMANDAS, CONTA_ITENS):
                packet = bill.comandas if index == CONTA_COMANDAS else bill.itens
                print(f"{index:2} {name:<20} packet of {packet.size} bytes")
            elif index == CONTA_QTDE_PESSOAS:
                print(f"{index:2} {name:<20} {bill.values[index]:.0f}")
            else:
                print(f"{index:2} {name:<20} {bill.values[index]:.2f}")
        comandas = rows_by_name(conta.packet_as_json(bill.comandas))
        itens = rows_by_name(conta.packet_as_json(bill.itens))
    finally:
        conta.bill_free(bill)
    conta.set_report_sink(None)

    print(f"\ncomandas ({len(comandas)}):")
    for c in comandas:
        print(f"  comanda {c['NRCOMANDA']}  table {c['NRMESA']}  {c['DSCOMANDA']}")
    print(f"\nitems ({len(itens)}):")
    for i in itens:
        print(
            f"  comanda {i['NRCOMANDA']}  seat {i['NRLUGARMESA']}  "
            f"{i['QTPRODCOMVEN']:8.3f} x {i['NMPRODUTO']:<24} {i['VRPRECCOMVEN']:8.2f}"
        )
    print_charges(explanation)


def print_charges(explanation):
    """Each charge of the bill with its rule, or why it was not billed."""
    print("\ncharges:")
    service = explanation["taxa_servico"]
    if service["regra"] == "percentual":
        rule = f"{service['percentual']:g}% of {service['base']:.2f}"
        if service["descontos_somados"]:
            rule += (
                f" (items {service['itens_com_taxa']:.2f} + {service['descontos_que_nao_reduzem']}"
                f" {service['descontos_somados']:.2f})"
            )
    elif service["regra"] == "comissoes":
        rule = "the waiters' commissions"
    else:
        rule = "none"
    minimum = explanation["consumacao_minima"]
    cover = explanation["couvert"]
    per = "seat" if cover["por_lugar"] else "person"
    lines = [
        ("service charge", service, rule),
        (
            "minimum consumption",
            minimum,
            f"{minimum['pessoas']:g} x {minimum['preco']:.2f} = {minimum['minimo']:.2f},"
            f" consumed {minimum['consumido']:.2f}",
        ),
        ("cover", cover, f"{cover['unidades']:g} x {cover['preco']:.2f} per {per}"),
    ]
    for name, charge, rule in lines:
        why = f"  (not billed: {charge['motivo']['texto']})" if charge["motivo"] else ""
        print(f"  {name:<20} {charge['valor']:8.2f}  {rule}{why}")
    print(f"  {'total':<20} {explanation['total']:8.2f}")


def main():
    parser = argparse.ArgumentParser(
        description="Bill the joined tables of a conta store (the demo store is created in "
        "STORE_DIR when it holds no PARAMETROSXOL.CDS) through libconta's C interface."
    )
    parser.add_argument("store", metavar="STORE_DIR", help="the store's directory")
    parser.add_argument(
        "connection",
        metavar="CONNECTION",
        nargs="?",
        help="the store database's connection string (default: $CONTA_CONNECTION, else the "
        "embedded SQLite store under STORE_DIR)",
    )
    parser.add_argument(
        "--previa",
        action="store_true",
        help="a preview: the bill computed whole and rolled back; the store is left as it was",
    )
    parser.add_argument(
        "--library",
        metavar="PATH",
        help="libconta.so to load (default: $CONTA_LIBRARY, else the system's libconta)",
    )
    args = parser.parse_args()
    try:
        run(args)
    except (ContaError, OSError) as e:
        sys.stdout.flush()  # what was printed so far comes first
        print(f"conta_host.py: {e}", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
