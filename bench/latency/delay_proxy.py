#!/usr/bin/env python3
"""A TCP proxy on 127.0.0.1 that delays each direction by a fixed time, so
that loopback servers answer with a real network's round trip.

Usage: delay_proxy.py LISTEN_PORT TARGET_PORT DELAY_MS
Every byte read on one side is written to the other DELAY_MS later, in the
order read; a connection's round trip grows by twice DELAY_MS. Prints
"ready" once it accepts connections."""
import asyncio
import sys


async def pump(reader, writer, delay):
    # Each chunk waits in a queue until its time is up: a steady stream keeps
    # its bandwidth, only its latency grows.
    loop = asyncio.get_running_loop()
    queue = asyncio.Queue()

    async def send():
        while True:
            due, data = await queue.get()
            wait = due - loop.time()
            if wait > 0:
                await asyncio.sleep(wait)
            if data is None:
                break
            writer.write(data)
            await writer.drain()
        try:
            writer.write_eof()
        except OSError:
            pass

    sender = asyncio.create_task(send())
    try:
        while True:
            data = await reader.read(65536)
            queue.put_nowait((loop.time() + delay, data or None))
            if not data:
                break
    except OSError:
        queue.put_nowait((loop.time(), None))
    try:
        await sender
    except OSError:
        pass


async def main():
    listen_port, target_port, delay = int(sys.argv[1]), int(sys.argv[2]), int(sys.argv[3]) / 1000.0

    async def handle(client_reader, client_writer):
        try:
            server_reader, server_writer = await asyncio.open_connection("127.0.0.1", target_port)
        except OSError:
            client_writer.close()
            return
        await asyncio.gather(pump(client_reader, server_writer, delay),
                             pump(server_reader, client_writer, delay))
        server_writer.close()
        client_writer.close()

    server = await asyncio.start_server(handle, "127.0.0.1", listen_port)
    print("ready", flush=True)
    async with server:
        await server.serve_forever()


asyncio.run(main())
