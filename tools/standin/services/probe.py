"""Probe gateway of the registration service: "/probe/OFPB".

One path carries several dialogues, told apart by the form field "fc" that heads every body
("fc=72&deviceNo=..."). This module only dispatches on it; the dialogues live in files of
their own beside it, so that each can grow without touching the others:

    _ofpb_<topic>.py   defines FC = {code: handler}, code an int (72, 94, ...), and
                       handler(request, space, fields) -> answer dict, as a route handler
                       returns, where fields maps each form name of the body's head to its
                       first value (text, percent-decoded byte for byte as latin-1).

Every such file is loaded here when the stand-in starts (the "_" keeps the server from
loading it as a service of its own); a code served by two files stops the stand-in.
The head of a body is what comes before "&dat=": an upload's data after it is raw bytes,
never a form. A body without fc, or an fc that no file serves, is answered 404.
"""

import importlib.util
import os
import urllib.parse

HERE = os.path.dirname(os.path.abspath(__file__))


def _load_handlers():
    handlers = {}
    for name in sorted(os.listdir(HERE)):
        if not (name.startswith("_ofpb_") and name.endswith(".py")):
            continue
        spec = importlib.util.spec_from_file_location("standin_ofpb_" + name[6:-3],
                                                      os.path.join(HERE, name))
        module = importlib.util.module_from_spec(spec)
        spec.loader.exec_module(module)
        for code, handler in getattr(module, "FC", {}).items():
            if code in handlers:
                raise RuntimeError("%s: fc %d is served twice" % (name, code))
            handlers[code] = handler
    return handlers


FC_HANDLERS = _load_handlers()


def form_head(body):
    """The form fields before "&dat=", first value of each name."""
    head = body.split(b"&dat=", 1)[0].decode("latin-1")
    fields = urllib.parse.parse_qs(head, keep_blank_values=True, encoding="latin-1")
    return {name: values[0] for name, values in fields.items()}


def ofpb(request, space):
    fields = form_head(request.body)
    text = fields.get("fc", "")
    handler = FC_HANDLERS.get(int(text)) if text.isdigit() else None
    if handler is None:
        return {"status": 404, "body": "no probe dialogue for fc=%s\n" % text}
    return handler(request, space, fields)


ROUTES = {"/probe/OFPB": ofpb}
