#!/usr/bin/python3
"""The SMTP server vexlo's mail tests talk to: aiosmtpd on 127.0.0.1 with a free port, STARTTLS
(or TLS from the first byte) and a login, and the faults a real server shows on demand.

Every accepted message N is stored as N.eml (the raw message, written last) beside N.txt (what a
mail program shows: recipient, sender, subject, attachment name, each decoded by Python's own
mail package) and N.att (the attachment's bytes). The port goes to --port-file once listening.
"""
import argparse
import asyncio
import email
import email.policy
import os
import ssl
import sys

from aiosmtpd.smtp import SMTP, AuthResult, LoginPassword


def options():
    p = argparse.ArgumentParser()
    p.add_argument("--folder", required=True)
    p.add_argument("--port-file", required=True)
    p.add_argument("--cert")
    p.add_argument("--key")
    p.add_argument("--tls", choices=["starttls", "implicit", "none"], default="starttls")
    p.add_argument("--user", default="")
    p.add_argument("--password", default="")
    p.add_argument("--reject", default="", help="answer 550 to this recipient")
    p.add_argument("--rcpt-tempfail", type=int, default=0, help="answer 421 to the first N RCPTs")
    p.add_argument("--data-tempfail", type=int, default=0, help="answer 451 to the first N DATAs")
    p.add_argument("--drop", type=int, default=0, help="drop the connection at the Nth DATA")
    p.add_argument("--delay", type=float, default=0, help="seconds before a message is stored")
    p.add_argument("--rcpt-delay", type=float, default=0, help="seconds before a RCPT is answered")
    return p.parse_args()


def write_file(path, data):
    with open(path + ".tmp", "wb") as f:
        f.write(data)
    os.rename(path + ".tmp", path)


class Handler:
    def __init__(self, a):
        self.a = a
        self.rcpts = 0
        self.datas = 0
        self.stored = 0

    async def handle_RCPT(self, server, session, envelope, address, rcpt_options):
        if self.a.reject and address.lower() == self.a.reject.lower():
            return "550 5.1.1 <%s>: mailbox unavailable" % address
        if self.a.rcpt_delay:
            await asyncio.sleep(self.a.rcpt_delay)
        self.rcpts += 1
        if self.rcpts <= self.a.rcpt_tempfail:
            return "421 4.7.0 too busy, try again later"
        envelope.rcpt_tos.append(address)
        return "250 OK"

    async def handle_DATA(self, server, session, envelope):
        self.datas += 1
        if self.datas == self.a.drop:
            server.transport.abort()
            return "421 4.4.2 connection dropped"
        if self.datas <= self.a.data_tempfail:
            return "451 4.3.0 temporary local problem"
        if self.a.delay:
            await asyncio.sleep(self.a.delay)
        self.stored += 1
        n = "%04d" % self.stored
        base = os.path.join(self.a.folder, n)
        msg = email.message_from_bytes(envelope.content, policy=email.policy.default)
        filename, attachment = "", b""
        for part in msg.iter_attachments():
            filename = part.get_filename() or ""
            attachment = part.get_payload(decode=True)
        body = msg.get_body(preferencelist=("plain", "html"))
        sender = msg["from"].addresses[0]
        lines = [
            "rcpt: " + ",".join(envelope.rcpt_tos),
            "to: " + str(msg["to"].addresses[0].addr_spec),
            "from-name: " + sender.display_name,
            "from: " + sender.addr_spec,
            "subject: " + str(msg["subject"]),
            "filename: " + filename,
            "message-id: " + str(msg["message-id"]),
            "body: " + (body.get_content().replace("\r", "").replace("\n", "\\n") if body else ""),
        ]
        write_file(base + ".att", attachment)
        write_file(base + ".txt", ("\n".join(lines) + "\n").encode("utf-8"))
        write_file(base + ".eml", envelope.content)
        return "250 2.0.0 OK queued as Q%s" % n


def authenticator(a):
    def check(server, session, envelope, mechanism, auth_data):
        ok = (isinstance(auth_data, LoginPassword) and auth_data.login.decode() == a.user
              and auth_data.password.decode() == a.password)
        return AuthResult(success=ok, handled=False)
    return check


async def main():
    a = options()
    ctx = None
    if a.tls != "none":
        ctx = ssl.create_default_context(ssl.Purpose.CLIENT_AUTH)
        ctx.load_cert_chain(a.cert, a.key)
    handler = Handler(a)
    loop = asyncio.get_running_loop()
    login = bool(a.user)

    def factory():
        kwargs = dict(hostname="vexlo-test", authenticator=authenticator(a) if login else None,
                      auth_required=login, loop=loop)
        if a.tls == "starttls":
            return SMTP(handler, tls_context=ctx, require_starttls=True, auth_require_tls=True,
                        **kwargs)
        return SMTP(handler, auth_require_tls=False, **kwargs)

    server = await loop.create_server(factory, "127.0.0.1", 0,
                                      ssl=ctx if a.tls == "implicit" else None)
    port = server.sockets[0].getsockname()[1]
    write_file(a.port_file, str(port).encode())
    async with server:
        await server.serve_forever()


if __name__ == "__main__":
    try:
        asyncio.run(main())
    except KeyboardInterrupt:
        sys.exit(0)
