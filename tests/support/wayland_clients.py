"""Clients of a wlroots compositor spoken straight over its Wayland socket:
a virtual pointer (zwlr_virtual_pointer_v1), made once and kept for a whole
case, as a device made and dropped for each click loses presses; a virtual
keyboard, so that the seat has one whose focus windows are told of; KWin's
fake input (org_kde_kwin_fake_input), for its keys; a
clipboard owner (zwlr_data_control_v1) that hands its text over as slowly as
a case needs; and a reader that asks for any type, offered or not, and reads
as slowly as a case needs."""
import os
import socket
import struct
import threading

BUTTON_LEFT = 0x110


class WaylandClient:
    def __init__(self, runtime_dir, display):
        self.socket = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
        self.socket.settimeout(5)
        self.socket.connect(os.path.join(runtime_dir, display))
        self.next_id = 2
        self.received = b""
        self.descriptors = []  # received with the events, in their order
        self.registry = self.new_id()
        self.send(1, 1, struct.pack("<I", self.registry))  # wl_display.get_registry
        self.globals = {}
        for object_id, opcode, body in self.round_trip():
            if object_id == self.registry and opcode == 0:  # wl_registry.global
                name, = struct.unpack_from("<I", body)
                interface, end = self.string(body, 4)
                self.globals[interface] = name

    def close(self):
        self.socket.close()

    def new_id(self):
        self.next_id += 1
        return self.next_id - 1

    def bind(self, interface, version):
        if interface not in self.globals:
            raise AssertionError(f"the compositor offers no {interface}")
        object_id = self.new_id()
        self.send(self.registry, 0, struct.pack("<I", self.globals[interface]) + self.pack_string(interface)
                  + struct.pack("<II", version, object_id))
        return object_id

    def send(self, object_id, opcode, body):
        self.socket.sendall(struct.pack("<II", object_id, (8 + len(body)) << 16 | opcode) + body)

    def next_event(self):
        while len(self.received) < 8 or len(self.received) < struct.unpack_from("<I", self.received, 4)[0] >> 16:
            data, descriptors, _, _ = socket.recv_fds(self.socket, 65536, 8)
            if not data:
                raise AssertionError("the compositor closed the connection")
            self.received += data
            self.descriptors += descriptors
        object_id, size_opcode = struct.unpack_from("<II", self.received)
        size, opcode = size_opcode >> 16, size_opcode & 0xFFFF
        body, self.received = self.received[8:size], self.received[size:]
        if object_id == 1 and opcode == 0:  # wl_display.error
            message, _ = self.string(body, 8)
            raise AssertionError(f"Wayland error: {message}")
        return object_id, opcode, body

    def round_trip(self):
        """Every event until the compositor has handled all that was sent."""
        callback = self.new_id()
        self.send(1, 0, struct.pack("<I", callback))  # wl_display.sync
        events = []
        while (event := self.next_event())[0] != callback:
            events.append(event)
        return events

    @staticmethod
    def pack_string(text):
        data = text.encode() + b"\0"
        return struct.pack("<I", len(data)) + data + b"\0" * (-len(data) % 4)

    @staticmethod
    def string(body, offset):
        length, = struct.unpack_from("<I", body, offset)
        start = offset + 4
        return body[start:start + length - 1].decode(), start + length + (-length % 4)


class VirtualPointer(WaylandClient):
    def __init__(self, runtime_dir, display, width, height):
        super().__init__(runtime_dir, display)
        self.width, self.height = width, height
        seat = self.bind("wl_seat", 1)
        manager = self.bind("zwlr_virtual_pointer_manager_v1", 1)
        self.pointer = self.new_id()
        self.send(manager, 0, struct.pack("<II", seat, self.pointer))  # create_virtual_pointer
        self.round_trip()

    def click(self, x, y):
        """A left click at (x, y) of the output, in its logical pixels."""
        self.send(self.pointer, 1, struct.pack("<IIIII", 0, x, y, self.width, self.height))  # motion_absolute
        self.send(self.pointer, 4, b"")  # frame
        for state in (1, 0):
            self.send(self.pointer, 2, struct.pack("<III", 0, BUTTON_LEFT, state))  # button
            self.send(self.pointer, 4, b"")
        self.round_trip()


class VirtualKeyboard(WaylandClient):
    KEYMAP = b"""xkb_keymap {
        xkb_keycodes { include "evdev" }; xkb_types { include "complete" };
        xkb_compat { include "complete" }; xkb_symbols { include "pc+us" };
    };\0"""

    def __init__(self, runtime_dir, display):
        super().__init__(runtime_dir, display)
        seat = self.bind("wl_seat", 1)
        manager = self.bind("zwp_virtual_keyboard_manager_v1", 1)
        keyboard = self.new_id()
        self.send(manager, 0, struct.pack("<II", seat, keyboard))  # create_virtual_keyboard
        keymap = os.memfd_create("keymap")
        os.write(keymap, self.KEYMAP)
        message = struct.pack("<IIII", keyboard, 16 << 16 | 0, 1, len(self.KEYMAP))  # keymap, as XKB text
        socket.send_fds(self.socket, [message], [keymap])
        os.close(keymap)
        self.keyboard = keyboard
        self.round_trip()

    def press(self, key):
        """Presses and releases `key`, an evdev key code, for the window with the keyboard."""
        for state in (1, 0):
            self.send(self.keyboard, 1, struct.pack("<III", 0, key, state))  # key
        self.round_trip()


class FakeKeyboard(WaylandClient):
    """Keys typed through KWin's fake input, which it offers any client when
    KWIN_WAYLAND_NO_PERMISSION_CHECKS is set."""

    def __init__(self, runtime_dir, display):
        super().__init__(runtime_dir, display)
        self.input = self.bind("org_kde_kwin_fake_input", 4)
        self.send(self.input, 0, self.pack_string("Brouillamine's tests") + self.pack_string("keys"))  # authenticate
        self.round_trip()

    def press(self, key, *held):
        """Presses `key`, an evdev key code, while `held` ones are down."""
        for code, state in [*((code, 1) for code in held), (key, 1), (key, 0), *((code, 0) for code in held)]:
            self.send(self.input, 10, struct.pack("<II", code, state))  # keyboard_key
        self.round_trip()


class SlowClipboardOwner(WaylandClient):
    """Owns the clipboard with `text`; once asked for it, hands it over a
    byte every `pace` seconds (by default well within a reader's patience),
    until released, also once another client has copied."""

    def __init__(self, runtime_dir, display, text, pace=0.2):
        super().__init__(runtime_dir, display)
        self.text, self.pace = text.encode(), pace
        self.asked, self.released, self.cancelled = threading.Event(), threading.Event(), threading.Event()
        seat = self.bind("wl_seat", 1)
        manager = self.bind("zwlr_data_control_manager_v1", 1)
        self.source, device = self.new_id(), self.new_id()
        self.send(manager, 0, struct.pack("<I", self.source))  # create_data_source
        for mime_type in ("text/plain;charset=utf-8", "text/plain"):
            self.send(self.source, 0, self.pack_string(mime_type))  # offer
        self.send(manager, 1, struct.pack("<II", device, seat))  # get_data_device
        self.send(device, 0, struct.pack("<I", self.source))  # set_selection
        self.round_trip()
        self.socket.settimeout(None)
        threading.Thread(target=self.serve, daemon=True).start()

    def serve(self):
        try:
            while True:
                object_id, opcode, _ = self.next_event()
                if object_id == self.source and opcode == 0:  # send
                    threading.Thread(target=self.hand_over, args=(self.descriptors.pop(0),), daemon=True).start()
                elif object_id == self.source and opcode == 1:  # cancelled: another client copied
                    self.cancelled.set()
        except OSError:
            pass  # closed

    def hand_over(self, descriptor):
        rest = self.text
        try:
            while rest and not self.released.is_set():
                self.asked.set()
                os.write(descriptor, rest[:1])
                rest = rest[1:]
                self.released.wait(self.pace)
            os.write(descriptor, rest)
        except BrokenPipeError:
            pass  # the reader gave up
        finally:
            os.close(descriptor)


class ClipboardReader(WaylandClient):
    """Sees the clipboard's offer as it is when made, and pastes from it."""

    def __init__(self, runtime_dir, display):
        super().__init__(runtime_dir, display)
        seat = self.bind("wl_seat", 1)
        manager = self.bind("zwlr_data_control_manager_v1", 1)
        device = self.new_id()
        self.send(manager, 1, struct.pack("<II", device, seat))  # get_data_device
        self.offer, types = None, {}
        for object_id, opcode, body in self.round_trip():
            if object_id == device and opcode == 0:  # data_offer
                types[struct.unpack_from("<I", body)[0]] = []
            elif object_id in types and opcode == 0:  # offer
                types[object_id].append(self.string(body, 0)[0])
            elif object_id == device and opcode == 1:  # selection
                self.offer, = struct.unpack_from("<I", body)
        self.types = types.get(self.offer, [])

    def receive(self, mime_type):
        """The read end of a pipe the clipboard's owner writes `mime_type` into."""
        read_end, write_end = os.pipe()
        body = self.pack_string(mime_type)
        message = struct.pack("<II", self.offer, (8 + len(body)) << 16 | 0) + body  # receive
        socket.send_fds(self.socket, [message], [write_end])
        os.close(write_end)
        self.round_trip()
        return read_end
