"""The one exception brevix raises."""


class BarcodeError(Exception):
    """A barcode could not be made or written.

    Attributes:
        message:  what went wrong, for the user.
        position: the 1-based position of the character the text was refused for (0 when the
                  text is refused as a whole, or the problem is not in the text).
        code:     the kind of problem: "text" (the symbology refuses the text), "symbology"
                  (unknown symbology), "option" (an option out of range), "format" (unknown
                  file format), "size" (picture too large), "write" (the file could not be
                  written), "memory".
        result:   for "text", the control's result code (1 wrong check character, 3 character
                  out of set, 6 wrong length, 10 empty text...); 0 otherwise.
    """

    def __init__(self, message: str, position: int = 0, code: str = "text", result: int = 0):
        super().__init__(message)
        self.message = message
        self.position = position
        self.code = code
        self.result = result

    def __reduce__(self):
        # Pickled whole, so that a Dask worker's error reaches the client with its fields.
        return (type(self), (self.message, self.position, self.code, self.result))
