import Foundation
import SwiftData

enum BookingKind: String, Codable {
    case flight
    case train
    case hotel
    case tour
}

@Model
final class Booking {
    @Attribute(.unique) var confirmationCode: String
    var provider: String
    var kind: BookingKind
    var bookedAt: Date
    var price: Decimal
    var traveler: Traveler?

    init(confirmationCode: String, provider: String, kind: BookingKind, price: Decimal) {
        self.confirmationCode = confirmationCode
        self.provider = provider
        self.kind = kind
        self.bookedAt = .now
        self.price = price
    }
}
