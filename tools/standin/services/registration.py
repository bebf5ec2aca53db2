"""Registration service: the log-in with a unit's card and the device information without one.

The accounts come from the space's values (CStandIn::SetVars):

    {"accounts": {"<nick>": {"pass": "<password>", "deviceno": "<unit>",
                             "ccid_head": "0291ABCD", "useragent": "12FerroxPA/2.000010"}}}

The form's percent escapes are read as UTF-8, so a Japanese nickname is a JSON key such as
"\\u592a\\u90ce". The reply's values go out byte for byte: give them with
onlinetest::JsonString. An account without "deviceno" has no unit yet.

"/pcapp/DeviceNoUserAuthenticationFerroxAPI" (nick, pass, ccid_head, deviceno): accepted as
"RET=0&result=OK"; refused in the service's one-field error form "RET=<hexadecimal code>".
"/pcapp/GetDeviceInfoAPI" (nick, pass): "deviceno=..&ccid_head=..&RET=0&useragent=..", with
"deviceno=null" for an account without a unit; refused as "RET=<decimal code>".

Error codes: 1 unknown nickname, 2 wrong password, 3 a parameter missing. A queued answer
(CStandIn::Queue) goes before these, for replies that no account gives.
"""

UNKNOWN_NICKNAME = 1
WRONG_PASSWORD = 2
MISSING_PARAMETER = 3


def _text(body):
    # Each character is one byte, as the form was read.
    return {"status": 200, "headers": [["Content-Type", "text/plain"]],
            "body_bytes": body.encode("latin-1")}


def _check_account(request, space, names):
    """The account of the form, or the error code that refuses it."""
    form = request.form()
    if any(name not in form for name in names):
        return None, MISSING_PARAMETER
    accounts = space.vars.get("accounts", {})
    account = accounts.get(form["nick"][0])
    if account is None:
        return None, UNKNOWN_NICKNAME
    if account.get("pass") != form["pass"][0]:
        return None, WRONG_PASSWORD
    return account, 0


def authenticate_with_unit(request, space):
    account, error = _check_account(request, space, ("nick", "pass", "ccid_head", "deviceno"))
    if account is None:
        return _text("RET=%X" % error)
    return _text("RET=0&result=OK")


def device_info(request, space):
    account, error = _check_account(request, space, ("nick", "pass"))
    if account is None:
        return _text("RET=%d" % error)
    if "deviceno" not in account:
        return _text("deviceno=null&ccid_head=&RET=0&useragent=")
    return _text("deviceno=%s&ccid_head=%s&RET=0&useragent=%s"
                 % (account["deviceno"], account.get("ccid_head", ""),
                    account.get("useragent", "")))


ROUTES = {
    "/pcapp/DeviceNoUserAuthenticationFerroxAPI": authenticate_with_unit,
    "/pcapp/GetDeviceInfoAPI": device_info,
}
